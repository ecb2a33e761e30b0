-- The account the catalogue tests ask about, on top of the stand-in's schema.
-- Statements end with ";" at the end of a line.
-- WinRIK key 123: user file changed 09:30:15, WinRIK 2.1; 124: user file a
-- second later; 125: no change time.
INSERT INTO `ключи` VALUES
  (123, 'SPB', '2026-12-31', '2026-06-30', '2027-03-31', '2026-01-15', '2026-11-20 09:30:15', '2.1'),
  (124, 'SPB', '', '', '', '', '2026-11-20 09:30:16', '2.1'),
  (125, 'SPB', '', '', '', '', NULL, '2.1');
-- Гранд-Смета keys: 9001 the usual one, 9002 with a quote in its series, 9003
-- with one index that is installed.
INSERT INTO `ключиГранд` VALUES
  (9001, '12345 abc', '00077 xyz', '2027-01-31', 'нет', '2026-12-31'),
  (9002, '12345 o''k', '1', '2024-02-29', NULL, NULL),
  (9003, '2', '2', NULL, NULL, NULL);
INSERT INTO `currentProductVersion` VALUES ('rik', '2.1.240408'), ('zelvinoraPA', '2.1.240408');
-- Bases whose ids begin with ind or smr or end with fo are never offered.
INSERT INTO `норм_база` VALUES
  ('0CFO', 'Центральный ФО', NULL, NULL, '', 'Индексы/ЦФО_'),
  ('SPB1', 'ТСН СПб', NULL, NULL, 'SPB/', 'Индексы/СПб_'),
  ('FER2020', 'ФЕР-2020', '5.1', '2026-10-01 08:00:59', '', ''),
  ('ter2001', 'ТЕР-2001', '3', NULL, '', ''),
  ('MGN2024', 'МГН-2024', '1', '2026-01-01 00:00:00', '', ''),
  ('ind5', 'И', '1', NULL, '', ''), ('smr1', 'С', '1', NULL, '', ''), ('abcfo', 'О', '1', NULL, '', '');
-- Stored out of the order the service answers in; 4 has no WinRIK change
-- time and is never offered.
INSERT INTO `индекс` VALUES
  (1, '0CFO', '4', '2024', '2024-11-01 10:00:00'),
  (2, 'spb1', '01', '2024', '2024-02-01T09:00:00'),
  (3, '0cfo', '3', '2024', '2024-08-01 10:00:00'),
  (4, 'SPB1', '2', '2024', NULL),
  (7, '0cfo', '4', '2024', NULL),
  (8, 'spb1', '03', '2023', NULL);
INSERT INTO `разрешениеИнд` VALUES (123, 2), (123, 1), (123, 3), (123, 4), (9001, 7), (9001, 8), (9003, 8);
INSERT INTO `разрешениеНБ` VALUES
  (123, 'FER2020'), (123, 'ter2001'), (123, 'MGN2024'), (123, 'ind5'), (123, 'smr1'), (123, 'abcfo');
INSERT INTO `current_var` (`number`, `type`, `name`, `lastChange`) VALUES
  (7, 'loc', 'Концовка ФЕР (локальная)', '2026-10-20 10:11:12'),
  (12, 'res', 'Ресурсная концовка', '2026-09-01 08:00:30'),
  (3, 'obj', 'Объектная сводка', '2026-05-05 05:05:05');
