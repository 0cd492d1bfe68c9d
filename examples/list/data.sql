-- Заявки подразделений на канцелярские товары (пример list).
CREATE TABLE orders (
  id INTEGER PRIMARY KEY,
  dept VARCHAR(60) NOT NULL,
  order_date DATE NOT NULL,
  item VARCHAR(80) NOT NULL,
  qty INTEGER NOT NULL,
  price NUMERIC(10,2) NOT NULL
);
INSERT INTO orders VALUES (1, 'Бухгалтерия', '2026-01-12', 'Блокнот А5, 80 л.', 1, 96.00);
INSERT INTO orders VALUES (2, 'Канцелярия', '2026-01-14', 'Скрепки 28 мм, 100 шт.', 5, 48.90);
INSERT INTO orders VALUES (3, 'Отдел кадров', '2026-01-16', 'Файлы-вкладыши А4, 100 шт.', 20, 289.00);
INSERT INTO orders VALUES (4, 'Планово-экономический отдел', '2026-01-18', 'Бумага офисная А4, 500 л.', 5, 389.00);
INSERT INTO orders VALUES (5, 'Юридический отдел', '2026-01-20', 'Бумага офисная А4, 500 л.', 5, 389.00);
INSERT INTO orders VALUES (6, 'Бухгалтерия', '2026-01-22', 'Картридж для принтера', 3, 3450.00);
INSERT INTO orders VALUES (7, 'Канцелярия', '2026-01-24', 'Ручка шариковая синяя', 2, 24.50);
INSERT INTO orders VALUES (8, 'Отдел кадров', '2026-01-26', 'Картридж для принтера', 1, 3450.00);
INSERT INTO orders VALUES (9, 'Планово-экономический отдел', '2026-01-28', 'Конверт С4 с окном', 10, 12.80);
INSERT INTO orders VALUES (10, 'Юридический отдел', '2026-01-30', 'Ежедневник датированный 2026', 1, 640.00);
INSERT INTO orders VALUES (11, 'Бухгалтерия', '2026-02-01', 'Конверт С4 с окном', 10, 12.80);
INSERT INTO orders VALUES (12, 'Канцелярия', '2026-02-03', 'Конверт С4 с окном', 20, 12.80);
INSERT INTO orders VALUES (13, 'Отдел кадров', '2026-02-05', 'Конверт С4 с окном', 2, 12.80);
INSERT INTO orders VALUES (14, 'Планово-экономический отдел', '2026-02-07', 'Калькулятор настольный', 1, 1290.00);
INSERT INTO orders VALUES (15, 'Юридический отдел', '2026-02-09', 'Картридж для принтера', 2, 3450.00);
INSERT INTO orders VALUES (16, 'Бухгалтерия', '2026-02-11', 'Блокнот А5, 80 л.', 10, 96.00);
INSERT INTO orders VALUES (17, 'Канцелярия', '2026-02-13', 'Скрепки 28 мм, 100 шт.', 2, 48.90);
INSERT INTO orders VALUES (18, 'Отдел кадров', '2026-02-15', 'Картридж для принтера', 3, 3450.00);
INSERT INTO orders VALUES (19, 'Планово-экономический отдел', '2026-02-17', 'Ручка шариковая синяя', 2, 24.50);
INSERT INTO orders VALUES (20, 'Юридический отдел', '2026-02-19', 'Блокнот А5, 80 л.', 2, 96.00);
INSERT INTO orders VALUES (21, 'Бухгалтерия', '2026-02-21', 'Конверт С4 с окном', 2, 12.80);
INSERT INTO orders VALUES (22, 'Канцелярия', '2026-02-23', 'Клей-карандаш 21 г', 1, 58.00);
INSERT INTO orders VALUES (23, 'Отдел кадров', '2026-02-25', 'Конверт С4 с окном', 2, 12.80);
INSERT INTO orders VALUES (24, 'Планово-экономический отдел', '2026-02-27', 'Ручка шариковая синяя', 3, 24.50);
INSERT INTO orders VALUES (25, 'Юридический отдел', '2026-03-01', 'Журнал регистрации входящих', 10, 185.00);
INSERT INTO orders VALUES (26, 'Бухгалтерия', '2026-03-03', 'Ежедневник датированный 2026', 3, 640.00);
INSERT INTO orders VALUES (27, 'Канцелярия', '2026-03-05', 'Блокнот А5, 80 л.', 20, 96.00);
INSERT INTO orders VALUES (28, 'Отдел кадров', '2026-03-07', 'Картридж для принтера', 3, 3450.00);
INSERT INTO orders VALUES (29, 'Планово-экономический отдел', '2026-03-09', 'Маркер текстовый', 1, 67.50);
INSERT INTO orders VALUES (30, 'Юридический отдел', '2026-03-11', 'Ежедневник датированный 2026', 3, 640.00);
INSERT INTO orders VALUES (31, 'Отдел кадров', '2026-03-13', 'Папка-регистратор 75 мм', 1, 215.00);
INSERT INTO orders VALUES (32, 'Планово-экономический отдел', '2026-03-15', 'Ежедневник датированный 2026', 3, 640.00);
INSERT INTO orders VALUES (33, 'Планово-экономический отдел', '2026-03-17', 'Бумага офисная А4, 500 л.', 20, 389.00);
INSERT INTO orders VALUES (34, 'Канцелярия', '2026-03-19', 'Блокнот А5, 80 л.', 10, 96.00);
INSERT INTO orders VALUES (35, 'Бухгалтерия', '2026-03-21', 'Ежедневник датированный 2026', 1, 640.00);
INSERT INTO orders VALUES (36, 'Бухгалтерия', '2026-03-23', 'Ручка шариковая синяя', 3, 24.50);
-- The report reads the orders grouped by department, each with its amount.
CREATE VIEW orders_by_dept AS
  SELECT id AS Id, dept AS Dept, order_date AS OrderDate, item AS Item, qty AS Qty,
         price AS Price, ROUND(qty * price, 2) AS Amount
  FROM orders ORDER BY dept, order_date, id;
