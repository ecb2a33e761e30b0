-- Tables and columns of the dealer's account database that the client's
-- statements name. Text columns compare without regard to letter case, as
-- they do in the dealer's MySQL database. Columns whose values the client
-- uses exactly as written (quarter, year) have no declared type, so a value
-- stored as '04' stays '04'. schema-mariadb.sql holds the same tables for
-- MariaDB; the service test compares every table on both.

CREATE TABLE `ключи` (
  `идКлюч` INTEGER PRIMARY KEY,
  `type` TEXT COLLATE NOCASE,
  `Окончание` TEXT,
  `пакетДилера` TEXT,
  `ПодпискаФЭР` TEXT,
  `subscription_index_minstroy` TEXT,
  `последнее Изменение` TEXT,
  `Версия` TEXT COLLATE NOCASE
);

CREATE TABLE `ключиГранд` (
  `идКлюч` INTEGER PRIMARY KEY,
  `Серия` TEXT COLLATE NOCASE,
  `Номер` TEXT COLLATE NOCASE,
  `subscription_grand_update` TEXT,
  `subscription_gsn` TEXT,
  `subscription_building_materials` TEXT
);

CREATE TABLE `норм_база` (
  `идНБ` TEXT COLLATE NOCASE PRIMARY KEY,
  `Название` TEXT,
  `RikCurrentVersion` TEXT,
  `NRSPLastChange` TEXT,
  `dir` TEXT,
  `dir_grand` TEXT
);

CREATE TABLE `индекс` (
  `идИндекс` INTEGER PRIMARY KEY,
  `идНБ` TEXT COLLATE NOCASE,
  `Квартал`,
  `Год`,
  `lastChangeRik` TEXT
);

CREATE TABLE `разрешениеИнд` (
  `идКлюч` INTEGER,
  `идИндекс` INTEGER
);

CREATE TABLE `разрешениеНБ` (
  `идКлюч` INTEGER,
  `идНБ` TEXT COLLATE NOCASE
);

CREATE TABLE `currentProductVersion` (
  `ProductName` TEXT COLLATE NOCASE PRIMARY KEY,
  `Version` TEXT
);

CREATE TABLE `current_var` (
  `number` INTEGER,
  `type` TEXT COLLATE NOCASE,
  `name` TEXT,
  `daNet` TEXT,
  `baze_4` TEXT,
  `baze_1` TEXT,
  `baze_M` TEXT,
  `baze_G` TEXT,
  `B_421_MDS` TEXT,
  `RAZDEL` TEXT,
  `LIMZTRFILE` TEXT,
  `KONZ_ID` TEXT,
  `CENA_METOD` TEXT,
  `C4NOT_INC3` TEXT,
  `SUBVER_421` TEXT,
  `lastChange` TEXT
);
