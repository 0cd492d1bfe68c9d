-- Сотрудники и подразделения (пример subreports).
CREATE TABLE departments (
  id INTEGER PRIMARY KEY,
  name VARCHAR(60) NOT NULL,
  head VARCHAR(60) NOT NULL,
  room VARCHAR(8) NOT NULL
);
INSERT INTO departments VALUES (1, 'Руководство', 'Петров Андрей Викторович', '101');
INSERT INTO departments VALUES (2, 'Бухгалтерия', 'Смирнова Елена Николаевна', '204');
INSERT INTO departments VALUES (3, 'Канцелярия', 'Иванова Ольга Петровна', '105');
INSERT INTO departments VALUES (4, 'Отдел кадров', 'Фёдорова Ирина Александровна', '210');
INSERT INTO departments VALUES (5, 'Планово-экономический отдел', 'Григорьев Павел Олегович', '305');
INSERT INTO departments VALUES (6, 'Юридический отдел', 'Белова Светлана Юрьевна', '309');
INSERT INTO departments VALUES (7, 'Отдел снабжения', 'Кравцов Игорь Дмитриевич', '112');
INSERT INTO departments VALUES (8, 'Склад', 'Тимофеев Николай Ильич', 'цок.');
CREATE TABLE staff (
  id INTEGER PRIMARY KEY,
  name VARCHAR(60) NOT NULL,
  post VARCHAR(60) NOT NULL,
  phone VARCHAR(8) NOT NULL,
  department_id INTEGER NOT NULL REFERENCES departments(id)
);
INSERT INTO staff VALUES (1, 'Петров Андрей Викторович', 'Генеральный директор', '1-11', 1);
INSERT INTO staff VALUES (2, 'Лебедева Анна Сергеевна', 'Секретарь-референт', '1-12', 1);
INSERT INTO staff VALUES (3, 'Смирнова Елена Николаевна', 'Главный бухгалтер', '2-13', 2);
INSERT INTO staff VALUES (4, 'Орлова Татьяна Ивановна', 'Бухгалтер', '2-14', 2);
INSERT INTO staff VALUES (5, 'Ковалёва Мария Андреевна', 'Бухгалтер-кассир', '2-15', 2);
INSERT INTO staff VALUES (6, 'Иванова Ольга Петровна', 'Заведующая канцелярией', '3-16', 3);
INSERT INTO staff VALUES (7, 'Сидоров Алексей Викторович', 'Делопроизводитель', '3-17', 3);
INSERT INTO staff VALUES (8, 'Кузнецова Наталья Сергеевна', 'Делопроизводитель', '3-18', 3);
INSERT INTO staff VALUES (9, 'Морозов Дмитрий Андреевич', 'Архивариус', '3-19', 3);
INSERT INTO staff VALUES (10, 'Фёдорова Ирина Александровна', 'Начальник отдела кадров', '4-20', 4);
INSERT INTO staff VALUES (11, 'Волкова Елена Михайловна', 'Специалист по кадрам', '4-21', 4);
INSERT INTO staff VALUES (12, 'Григорьев Павел Олегович', 'Начальник отдела', '5-22', 5);
INSERT INTO staff VALUES (13, 'Никитин Сергей Павлович', 'Экономист', '5-23', 5);
INSERT INTO staff VALUES (14, 'Зуева Ксения Романовна', 'Экономист', '5-24', 5);
INSERT INTO staff VALUES (15, 'Белова Светлана Юрьевна', 'Начальник юридического отдела', '6-25', 6);
INSERT INTO staff VALUES (16, 'Титов Максим Евгеньевич', 'Юрисконсульт', '6-26', 6);
INSERT INTO staff VALUES (17, 'Кравцов Игорь Дмитриевич', 'Начальник отдела снабжения', '7-27', 7);
INSERT INTO staff VALUES (18, 'Афанасьев Роман Ильич', 'Менеджер по закупкам', '7-28', 7);
INSERT INTO staff VALUES (19, 'Егорова Лидия Павловна', 'Менеджер по закупкам', '7-29', 7);
INSERT INTO staff VALUES (20, 'Тимофеев Николай Ильич', 'Заведующий складом', '8-30', 8);
INSERT INTO staff VALUES (21, 'Савин Артём Олегович', 'Кладовщик', '8-31', 8);
INSERT INTO staff VALUES (22, 'Жукова Вера Константиновна', 'Водитель-экспедитор', '8-32', 8);
-- What the report reads: the staff by name, the departments with their head count.
CREATE VIEW staff_list AS
  SELECT name AS Name, post AS Post, phone AS Phone FROM staff ORDER BY name;
CREATE VIEW department_list AS
  SELECT d.name AS Name, d.head AS Head, d.room AS Room,
         (SELECT COUNT(*) FROM staff s WHERE s.department_id = d.id) AS Staff
  FROM departments d ORDER BY d.id;
