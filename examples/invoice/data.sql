-- Счета на оплату и их строки (пример invoice).
CREATE TABLE invoices (
  no INTEGER PRIMARY KEY,
  inv_date DATE NOT NULL,
  customer VARCHAR(80) NOT NULL,
  inn VARCHAR(12) NOT NULL,
  address VARCHAR(120) NOT NULL,
  basis VARCHAR(80) NOT NULL
);
INSERT INTO invoices VALUES (1041, '2026-03-02', 'ООО «Северный ветер»', '7812345601', '191025, г. Санкт-Петербург, Невский пр., д. 88', 'Договор поставки № 14/26 от 15.01.2026');
INSERT INTO invoices VALUES (1042, '2026-03-04', 'АО «Уралтехснаб»', '6658123409', '620014, г. Екатеринбург, ул. Малышева, д. 51', 'Заявка от 03.03.2026');
INSERT INTO invoices VALUES (1043, '2026-03-10', 'ГБУ «Городской архив»', '7703987654', '125009, г. Москва, ул. Тверская, д. 7', 'Контракт № 0373-26 от 20.02.2026');
INSERT INTO invoices VALUES (1044, '2026-03-12', 'ИП Кузнецова Мария Игоревна', '502701234567', '140070, Московская обл., пос. Томилино, ул. Гоголя, д. 3', 'Заявка от 11.03.2026');
CREATE TABLE invoice_lines (
  invoice_no INTEGER NOT NULL REFERENCES invoices(no),
  line_no INTEGER NOT NULL,
  item VARCHAR(80) NOT NULL,
  unit VARCHAR(8) NOT NULL,
  qty INTEGER NOT NULL,
  price NUMERIC(10,2) NOT NULL,
  PRIMARY KEY (invoice_no, line_no)
);
INSERT INTO invoice_lines VALUES (1041, 1, 'Карандаш чернографитный', 'шт', 1, 16.00);
INSERT INTO invoice_lines VALUES (1041, 2, 'Картридж для принтера', 'шт', 2, 3450.00);
INSERT INTO invoice_lines VALUES (1041, 3, 'Штемпельная краска', 'шт', 10, 118.00);
INSERT INTO invoice_lines VALUES (1041, 4, 'Скрепки 28 мм, 100 шт.', 'уп', 1, 48.90);
INSERT INTO invoice_lines VALUES (1041, 5, 'Степлер №24/6', 'шт', 10, 412.00);
INSERT INTO invoice_lines VALUES (1041, 6, 'Бейдж с зажимом', 'шт', 2, 31.00);
INSERT INTO invoice_lines VALUES (1042, 1, 'Папка-регистратор 75 мм', 'шт', 10, 215.00);
INSERT INTO invoice_lines VALUES (1042, 2, 'Скобы №24/6, 1000 шт.', 'уп', 1, 39.00);
INSERT INTO invoice_lines VALUES (1042, 3, 'Тетрадь общая 96 л.', 'шт', 2, 121.00);
INSERT INTO invoice_lines VALUES (1042, 4, 'Закладки клейкие', 'уп', 20, 87.00);
INSERT INTO invoice_lines VALUES (1042, 5, 'Степлер №24/6', 'шт', 20, 412.00);
INSERT INTO invoice_lines VALUES (1042, 6, 'Короб архивный', 'шт', 10, 176.00);
INSERT INTO invoice_lines VALUES (1042, 7, 'Удлинитель 3 м', 'шт', 1, 560.00);
INSERT INTO invoice_lines VALUES (1042, 8, 'Батарейки АА, 4 шт.', 'уп', 10, 199.00);
INSERT INTO invoice_lines VALUES (1042, 9, 'Скрепки 28 мм, 100 шт.', 'уп', 10, 48.90);
INSERT INTO invoice_lines VALUES (1043, 1, 'Штемпельная краска', 'шт', 1, 118.00);
INSERT INTO invoice_lines VALUES (1043, 2, 'Скрепки 28 мм, 100 шт.', 'уп', 10, 48.90);
INSERT INTO invoice_lines VALUES (1043, 3, 'Калькулятор настольный', 'шт', 2, 1290.00);
INSERT INTO invoice_lines VALUES (1043, 4, 'Папка-регистратор 75 мм', 'шт', 10, 215.00);
INSERT INTO invoice_lines VALUES (1043, 5, 'Подставка для ручек', 'шт', 5, 189.00);
INSERT INTO invoice_lines VALUES (1043, 6, 'Конверт С4 с окном', 'шт', 3, 12.80);
INSERT INTO invoice_lines VALUES (1043, 7, 'Дырокол на 30 листов', 'шт', 20, 455.00);
INSERT INTO invoice_lines VALUES (1043, 8, 'Закладки клейкие', 'уп', 5, 87.00);
INSERT INTO invoice_lines VALUES (1043, 9, 'Картридж для принтера', 'шт', 2, 3450.00);
INSERT INTO invoice_lines VALUES (1043, 10, 'Корректирующая лента', 'шт', 10, 94.00);
INSERT INTO invoice_lines VALUES (1043, 11, 'Удлинитель 3 м', 'шт', 1, 560.00);
INSERT INTO invoice_lines VALUES (1043, 12, 'Книга учёта 96 л.', 'шт', 1, 210.00);
INSERT INTO invoice_lines VALUES (1043, 13, 'Точилка', 'шт', 10, 33.00);
INSERT INTO invoice_lines VALUES (1043, 14, 'Ластик', 'шт', 5, 14.00);
INSERT INTO invoice_lines VALUES (1043, 15, 'Ножницы 21 см', 'шт', 2, 149.00);
INSERT INTO invoice_lines VALUES (1043, 16, 'Скобы №24/6, 1000 шт.', 'уп', 3, 39.00);
INSERT INTO invoice_lines VALUES (1043, 17, 'Скотч канцелярский', 'шт', 2, 29.00);
INSERT INTO invoice_lines VALUES (1043, 18, 'Зажим для бумаг 32 мм', 'уп', 5, 164.00);
INSERT INTO invoice_lines VALUES (1043, 19, 'Линейка 30 см', 'шт', 5, 35.00);
INSERT INTO invoice_lines VALUES (1043, 20, 'Карандаш чернографитный', 'шт', 1, 16.00);
INSERT INTO invoice_lines VALUES (1043, 21, 'Блокнот А5, 80 л.', 'шт', 20, 96.00);
INSERT INTO invoice_lines VALUES (1043, 22, 'Клей-карандаш 21 г', 'шт', 1, 58.00);
INSERT INTO invoice_lines VALUES (1043, 23, 'Папка-уголок', 'шт', 10, 11.50);
INSERT INTO invoice_lines VALUES (1043, 24, 'Мешок для мусора 120 л', 'уп', 10, 245.00);
INSERT INTO invoice_lines VALUES (1043, 25, 'Ручка шариковая синяя', 'шт', 3, 24.50);
INSERT INTO invoice_lines VALUES (1043, 26, 'Тетрадь общая 96 л.', 'шт', 3, 121.00);
INSERT INTO invoice_lines VALUES (1043, 27, 'Папка на кнопке', 'шт', 20, 27.00);
INSERT INTO invoice_lines VALUES (1043, 28, 'Маркер текстовый', 'шт', 3, 67.50);
INSERT INTO invoice_lines VALUES (1043, 29, 'Файлы-вкладыши А4, 100 шт.', 'уп', 10, 289.00);
INSERT INTO invoice_lines VALUES (1043, 30, 'Бейдж с зажимом', 'шт', 5, 31.00);
INSERT INTO invoice_lines VALUES (1043, 31, 'Бумага для заметок, куб', 'шт', 10, 132.00);
INSERT INTO invoice_lines VALUES (1043, 32, 'Архивная папка с завязками', 'шт', 5, 42.00);
INSERT INTO invoice_lines VALUES (1043, 33, 'Журнал регистрации входящих', 'шт', 1, 185.00);
INSERT INTO invoice_lines VALUES (1043, 34, 'Степлер №24/6', 'шт', 1, 412.00);
INSERT INTO invoice_lines VALUES (1043, 35, 'Ежедневник датированный 2026', 'шт', 3, 640.00);
INSERT INTO invoice_lines VALUES (1043, 36, 'Лоток для бумаг', 'шт', 5, 238.00);
INSERT INTO invoice_lines VALUES (1043, 37, 'Батарейки АА, 4 шт.', 'уп', 20, 199.00);
INSERT INTO invoice_lines VALUES (1043, 38, 'Бумага офисная А4, 500 л.', 'пач', 20, 389.00);
INSERT INTO invoice_lines VALUES (1043, 39, 'Флеш-накопитель 32 ГБ', 'шт', 1, 690.00);
INSERT INTO invoice_lines VALUES (1043, 40, 'Короб архивный', 'шт', 1, 176.00);
INSERT INTO invoice_lines VALUES (1044, 1, 'Бумага для заметок, куб', 'шт', 20, 132.00);
INSERT INTO invoice_lines VALUES (1044, 2, 'Мешок для мусора 120 л', 'уп', 3, 245.00);
INSERT INTO invoice_lines VALUES (1044, 3, 'Зажим для бумаг 32 мм', 'уп', 1, 164.00);
INSERT INTO invoice_lines VALUES (1044, 4, 'Дырокол на 30 листов', 'шт', 5, 455.00);
INSERT INTO invoice_lines VALUES (1044, 5, 'Архивная папка с завязками', 'шт', 3, 42.00);
-- What the report reads: the invoices in order, and every line with its amount.
CREATE VIEW invoice_list AS
  SELECT no AS No, inv_date AS InvDate, customer AS Customer, inn AS Inn, address AS Address,
         basis AS Basis
  FROM invoices ORDER BY no;
CREATE VIEW invoice_items AS
  SELECT invoice_no AS InvoiceNo, line_no AS LineNo, item AS Item, unit AS Unit, qty AS Qty,
         price AS Price, ROUND(qty * price, 2) AS Amount
  FROM invoice_lines ORDER BY invoice_no, line_no;
