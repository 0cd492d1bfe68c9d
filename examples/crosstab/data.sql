-- Принятые файлы по исполнителям (пример crosstab).
CREATE TABLE executors (
  id INTEGER PRIMARY KEY,
  name VARCHAR(60) NOT NULL
);
INSERT INTO executors VALUES (1, 'Иванова Ольга Петровна');
INSERT INTO executors VALUES (2, 'Сидоров Алексей Викторович');
INSERT INTO executors VALUES (3, 'Кузнецова Наталья Сергеевна');
INSERT INTO executors VALUES (4, 'Морозов Дмитрий Андреевич');
INSERT INTO executors VALUES (5, 'Волкова Елена Михайловна');
INSERT INTO executors VALUES (6, 'Никитин Сергей Павлович');
CREATE TABLE months (
  no INTEGER PRIMARY KEY,
  name VARCHAR(20) NOT NULL
);
INSERT INTO months VALUES (1, 'Январь');
INSERT INTO months VALUES (2, 'Февраль');
INSERT INTO months VALUES (3, 'Март');
INSERT INTO months VALUES (4, 'Апрель');
INSERT INTO months VALUES (5, 'Май');
INSERT INTO months VALUES (6, 'Июнь');
CREATE TABLE files (
  id INTEGER PRIMARY KEY,
  file_name VARCHAR(80) NOT NULL,
  received DATE NOT NULL,
  executor_id INTEGER NOT NULL REFERENCES executors(id)
);
INSERT INTO files VALUES (9, 'Договор_009.pdf', '2026-01-02', 5);
INSERT INTO files VALUES (64, 'Протокол_064.pdf', '2026-01-03', 1);
INSERT INTO files VALUES (22, 'Письмо_022.docx', '2026-01-04', 2);
INSERT INTO files VALUES (20, 'Запрос_020.pdf', '2026-01-13', 3);
INSERT INTO files VALUES (55, 'Приказ_055.docx', '2026-01-16', 3);
INSERT INTO files VALUES (43, 'Акт_сверки_043.xlsx', '2026-01-17', 5);
INSERT INTO files VALUES (59, 'Приказ_059.docx', '2026-01-18', 1);
INSERT INTO files VALUES (57, 'Приказ_057.xlsx', '2026-01-20', 3);
INSERT INTO files VALUES (53, 'Акт_сверки_053.pdf', '2026-01-26', 6);
INSERT INTO files VALUES (13, 'Счёт_013.pdf', '2026-01-28', 5);
INSERT INTO files VALUES (63, 'Письмо_063.docx', '2026-01-28', 3);
INSERT INTO files VALUES (31, 'Запрос_031.pdf', '2026-02-02', 3);
INSERT INTO files VALUES (41, 'Запрос_041.odt', '2026-02-03', 5);
INSERT INTO files VALUES (3, 'Протокол_003.pdf', '2026-02-07', 1);
INSERT INTO files VALUES (62, 'Уведомление_062.pdf', '2026-02-09', 5);
INSERT INTO files VALUES (28, 'Уведомление_028.xlsx', '2026-02-10', 4);
INSERT INTO files VALUES (37, 'Акт_сверки_037.odt', '2026-02-10', 4);
INSERT INTO files VALUES (38, 'Договор_038.odt', '2026-02-11', 5);
INSERT INTO files VALUES (56, 'Письмо_056.pdf', '2026-02-22', 3);
INSERT INTO files VALUES (14, 'Запрос_014.pdf', '2026-02-23', 4);
INSERT INTO files VALUES (6, 'Письмо_006.xlsx', '2026-02-25', 5);
INSERT INTO files VALUES (52, 'Приказ_052.pdf', '2026-02-28', 2);
INSERT INTO files VALUES (24, 'Запрос_024.docx', '2026-03-11', 4);
INSERT INTO files VALUES (7, 'Уведомление_007.odt', '2026-03-16', 5);
INSERT INTO files VALUES (21, 'Акт_сверки_021.pdf', '2026-03-17', 5);
INSERT INTO files VALUES (46, 'Счёт_046.pdf', '2026-03-17', 1);
INSERT INTO files VALUES (32, 'Счёт_032.odt', '2026-03-20', 2);
INSERT INTO files VALUES (40, 'Акт_сверки_040.pdf', '2026-03-22', 2);
INSERT INTO files VALUES (35, 'Запрос_035.pdf', '2026-03-25', 2);
INSERT INTO files VALUES (60, 'Договор_060.pdf', '2026-03-26', 1);
INSERT INTO files VALUES (30, 'Уведомление_030.pdf', '2026-04-01', 6);
INSERT INTO files VALUES (36, 'Письмо_036.pdf', '2026-04-04', 2);
INSERT INTO files VALUES (18, 'Письмо_018.xlsx', '2026-04-05', 5);
INSERT INTO files VALUES (48, 'Акт_сверки_048.pdf', '2026-04-05', 2);
INSERT INTO files VALUES (34, 'Запрос_034.docx', '2026-04-10', 1);
INSERT INTO files VALUES (47, 'Уведомление_047.pdf', '2026-04-10', 2);
INSERT INTO files VALUES (4, 'Договор_004.docx', '2026-04-13', 5);
INSERT INTO files VALUES (8, 'Протокол_008.docx', '2026-04-13', 5);
INSERT INTO files VALUES (25, 'Протокол_025.pdf', '2026-04-13', 5);
INSERT INTO files VALUES (11, 'Запрос_011.pdf', '2026-04-19', 3);
INSERT INTO files VALUES (23, 'Счёт_023.docx', '2026-04-20', 6);
INSERT INTO files VALUES (19, 'Приказ_019.pdf', '2026-04-28', 3);
INSERT INTO files VALUES (33, 'Письмо_033.xlsx', '2026-05-02', 3);
INSERT INTO files VALUES (2, 'Письмо_002.pdf', '2026-05-03', 3);
INSERT INTO files VALUES (15, 'Акт_сверки_015.odt', '2026-05-04', 5);
INSERT INTO files VALUES (1, 'Запрос_001.pdf', '2026-05-05', 1);
INSERT INTO files VALUES (44, 'Счёт_044.xlsx', '2026-05-06', 5);
INSERT INTO files VALUES (12, 'Запрос_012.odt', '2026-05-08', 3);
INSERT INTO files VALUES (16, 'Счёт_016.pdf', '2026-05-09', 5);
INSERT INTO files VALUES (27, 'Уведомление_027.odt', '2026-05-09', 6);
INSERT INTO files VALUES (29, 'Письмо_029.pdf', '2026-05-11', 3);
INSERT INTO files VALUES (5, 'Письмо_005.odt', '2026-05-13', 4);
INSERT INTO files VALUES (42, 'Счёт_042.docx', '2026-05-15', 4);
INSERT INTO files VALUES (58, 'Письмо_058.xlsx', '2026-05-16', 1);
INSERT INTO files VALUES (49, 'Уведомление_049.pdf', '2026-05-17', 3);
INSERT INTO files VALUES (26, 'Приказ_026.pdf', '2026-05-22', 2);
INSERT INTO files VALUES (61, 'Уведомление_061.pdf', '2026-05-28', 3);
INSERT INTO files VALUES (45, 'Запрос_045.pdf', '2026-06-03', 5);
INSERT INTO files VALUES (39, 'Приказ_039.pdf', '2026-06-04', 3);
INSERT INTO files VALUES (50, 'Письмо_050.odt', '2026-06-08', 6);
INSERT INTO files VALUES (10, 'Счёт_010.pdf', '2026-06-14', 1);
INSERT INTO files VALUES (17, 'Приказ_017.xlsx', '2026-06-16', 1);
INSERT INTO files VALUES (54, 'Акт_сверки_054.pdf', '2026-06-17', 1);
INSERT INTO files VALUES (51, 'Счёт_051.pdf', '2026-06-24', 3);
-- What the report reads: the rows, the columns, and the counted cells (executor * 100 + month).
CREATE VIEW executor_rows AS SELECT id AS Id, name AS Name FROM executors ORDER BY name;
CREATE VIEW month_columns AS SELECT no AS No, name AS Name FROM months ORDER BY no;
CREATE VIEW file_counts AS
  SELECT executor_id * 100 + CAST(strftime('%m', received) AS INTEGER) AS CellKey, COUNT(*) AS Files
  FROM files GROUP BY executor_id, strftime('%m', received);
