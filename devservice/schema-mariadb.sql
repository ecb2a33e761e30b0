-- The tables of schema.sql as the dealer's MariaDB (MySQL) database holds
-- them; the stand-in's service test runs every statement of the client on
-- both and compares what they answer. Text compares without regard to letter
-- case (the database's collation). Change times are DATETIME, as on the
-- dealer's side: a value written with a "T" comes back with a blank.

CREATE TABLE `ключи` (
  `идКлюч` INT PRIMARY KEY,
  `type` VARCHAR(64),
  `Окончание` VARCHAR(32),
  `пакетДилера` VARCHAR(32),
  `ПодпискаФЭР` VARCHAR(32),
  `subscription_index_minstroy` VARCHAR(32),
  `последнее Изменение` DATETIME,
  `Версия` VARCHAR(32)
);

CREATE TABLE `ключиГранд` (
  `идКлюч` INT PRIMARY KEY,
  `Серия` VARCHAR(64),
  `Номер` VARCHAR(64),
  `subscription_grand_update` VARCHAR(32),
  `subscription_gsn` VARCHAR(32),
  `subscription_building_materials` VARCHAR(32)
);

CREATE TABLE `норм_база` (
  `идНБ` VARCHAR(64) PRIMARY KEY,
  `Название` VARCHAR(255),
  `RikCurrentVersion` VARCHAR(32),
  `NRSPLastChange` DATETIME,
  `dir` VARCHAR(255),
  `dir_grand` VARCHAR(255)
);

CREATE TABLE `индекс` (
  `идИндекс` INT PRIMARY KEY,
  `идНБ` VARCHAR(64),
  `Квартал` VARCHAR(8),
  `Год` VARCHAR(8),
  `lastChangeRik` DATETIME
);

CREATE TABLE `разрешениеИнд` (
  `идКлюч` INT,
  `идИндекс` INT
);

CREATE TABLE `разрешениеНБ` (
  `идКлюч` INT,
  `идНБ` VARCHAR(64)
);

CREATE TABLE `currentProductVersion` (
  `ProductName` VARCHAR(64) PRIMARY KEY,
  `Version` VARCHAR(32)
);

CREATE TABLE `current_var` (
  `number` INT,
  `type` VARCHAR(16),
  `name` VARCHAR(255),
  `daNet` VARCHAR(16),
  `baze_4` VARCHAR(16),
  `baze_1` VARCHAR(16),
  `baze_M` VARCHAR(16),
  `baze_G` VARCHAR(16),
  `B_421_MDS` VARCHAR(16),
  `RAZDEL` VARCHAR(64),
  `LIMZTRFILE` VARCHAR(255),
  `KONZ_ID` VARCHAR(64),
  `CENA_METOD` VARCHAR(64),
  `C4NOT_INC3` VARCHAR(16),
  `SUBVER_421` VARCHAR(16),
  `lastChange` DATETIME
);
