INSERT INTO `ключи` VALUES (123, 'SPB', '2027-12-31', '2027-06-30', '2027-03-31', NULL, datetime('now', 'localtime', '-3 days'), '2.1');
INSERT INTO `ключиГранд` VALUES (9001, '12345 abc', '00077 xyz', '2027-01-31', '2027-12-31', NULL);
INSERT INTO `currentProductVersion` VALUES ('rik', '2.1.240408'), ('zelvinoraPA', '2.1.240408');
INSERT INTO `норм_база` VALUES ('fr20', 'ФЕР-2020', '5.1', '2020-01-01 00:00:00', '', ''), ('gs22', 'ГЭСН-2022', '2.4', datetime('now', 'localtime', '-5 days'), '', ''), ('tr01', 'ТЕР-2001 Курская область', '3', NULL, '', ''), ('0cfo', 'Центральный федеральный округ', NULL, NULL, '', 'Индексы/ЦФО_'), ('0dfo', 'Дальневосточный федеральный округ', NULL, NULL, '', 'Индексы/ДФО_');
INSERT INTO `разрешениеНБ` VALUES (123, 'fr20'), (123, 'gs22'), (123, 'tr01');
INSERT INTO `индекс` VALUES (1, '0cfo', 4, 2026, datetime('now', 'localtime', '-5 days')), (2, '0cfo', 3, 2026, datetime('now', 'localtime', '-60 days')), (3, '0dfo', 4, 2026, NULL), (4, '0dfo', 3, 2026, NULL);
INSERT INTO `разрешениеИнд` VALUES (123, 1), (123, 2), (9001, 3), (9001, 4);
INSERT INTO `current_var` VALUES (7, 'loc', 'Концовка локальная ФЕР', 'Да', '1', '0', '0', '0', '1', 'ОБЩ', '', 'K7', 'БИМ', 'Нет', '4', datetime('now', 'localtime', '-7 days')), (12, 'res', 'Ресурсная концовка 2026', 'Нет', '0', '1', '0', '0', '0', '', 'limz.dbf', 'R12', 'РИМ', 'Да', '2', datetime('now', 'localtime', '-7 days')), (5, 'res', 'Ресурсная концовка прежняя', 'Нет', '0', '1', '0', '0', '0', '', '', 'R5', 'РИМ', 'Да', '2', datetime('now', 'localtime', '-60 days'));
