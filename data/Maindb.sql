-- 澄溪标准化考试系统: the delivered database (schema and initial rows).
-- The build turns this text into data/Maindb.db.
PRAGMA foreign_keys = OFF;
BEGIN TRANSACTION;

-- Administrators of the back office.
CREATE TABLE UserGL (UserGLID INTEGER PRIMARY KEY NOT NULL, Usermin varchar(50), password varchar(50));

-- Candidates, their objective, subjective and total scores, and their answers to subjective questions.
CREATE TABLE Userxinxi (
  UserID INTEGER, Xuehao varchar(20), Xingmin varchar(50),
  Chengji varchar(30), Chengji1 varchar(30), Chengji2 varchar(30),
  Tt1 text, Tt2 text, Tt3 text, Tt4 text, Tt5 text, Tt6 text, Tt7 text, Tt8 text, Tt9 text, Tt10 text);

-- Exam duration, hh:mm:ss; the exam reads the first row, the back office writes TimeID 1.
CREATE TABLE Time (TimeID INTEGER PRIMARY KEY NOT NULL, TimeN varchar(20));

-- Exam identifier shown nowhere; the main window reads the last row.
CREATE TABLE Exam (ExamID INTEGER);

-- Single-choice bank edited in the back office: exactly 50 questions.
CREATE TABLE Test (TestID INTEGER PRIMARY KEY NOT NULL, Request varchar(200), Axx varchar(100),
  Bxx varchar(100), Cxx varchar(100), Dxx varchar(100), DDx varchar(10), Score varchar(30));

-- The exam's single-choice paper is the bank itself.
CREATE VIEW KaoShi AS SELECT TestID, Request, Axx, Bxx, Cxx, Dxx, DDx, Score FROM Test;

-- Multiple-choice, true/false and subjective banks, defined as the spreadsheet import re-creates them.
Create Table KaoShi2(TestID integer PRIMARY KEY AUTOINCREMENT NOT NULL,Request varchar(50),Axx varchar(50),Bxx varchar(50),Cxx varchar(50),Dxx varchar(50),DDx varchar,Score varchar(30));
Create Table KaoShi3(TestID integer PRIMARY KEY AUTOINCREMENT NOT NULL,Request varchar(50),Axx varchar(50),Bxx varchar(50),DDx varchar,Score varchar(30));
Create Table KaoShi4(TestID integer PRIMARY KEY AUTOINCREMENT NOT NULL,Request varchar(50));

INSERT INTO Exam (ExamID) VALUES (1);
INSERT INTO Time (TimeID, TimeN) VALUES (1, '01:10:00');
INSERT INTO UserGL (UserGLID, Usermin, password) VALUES (1, 'admin', '123456');
INSERT INTO Userxinxi (UserID, Xuehao, Xingmin) VALUES (1, '110101', '张三');

INSERT INTO Test VALUES (1, '单项选择题1', '选项A', '选项B', '选项C', '选项D', 'B', '1');
INSERT INTO Test VALUES (2, '单项选择题2', '选项A', '选项B', '选项C', '选项D', 'C', '1');
INSERT INTO Test VALUES (3, '单项选择题3', '选项A', '选项B', '选项C', '选项D', 'D', '1');
INSERT INTO Test VALUES (4, '单项选择题4', '选项A', '选项B', '选项C', '选项D', 'A', '1');
INSERT INTO Test VALUES (5, '单项选择题5', '选项A', '选项B', '选项C', '选项D', 'B', '1');
INSERT INTO Test VALUES (6, '单项选择题6', '选项A', '选项B', '选项C', '选项D', 'C', '1');
INSERT INTO Test VALUES (7, '单项选择题7', '选项A', '选项B', '选项C', '选项D', 'D', '1');
INSERT INTO Test VALUES (8, '单项选择题8', '选项A', '选项B', '选项C', '选项D', 'A', '1');
INSERT INTO Test VALUES (9, '单项选择题9', '选项A', '选项B', '选项C', '选项D', 'B', '1');
INSERT INTO Test VALUES (10, '单项选择题10', '选项A', '选项B', '选项C', '选项D', 'C', '1');
INSERT INTO Test VALUES (11, '单项选择题11', '选项A', '选项B', '选项C', '选项D', 'D', '1');
INSERT INTO Test VALUES (12, '单项选择题12', '选项A', '选项B', '选项C', '选项D', 'A', '1');
INSERT INTO Test VALUES (13, '单项选择题13', '选项A', '选项B', '选项C', '选项D', 'B', '1');
INSERT INTO Test VALUES (14, '单项选择题14', '选项A', '选项B', '选项C', '选项D', 'C', '1');
INSERT INTO Test VALUES (15, '单项选择题15', '选项A', '选项B', '选项C', '选项D', 'D', '1');
INSERT INTO Test VALUES (16, '单项选择题16', '选项A', '选项B', '选项C', '选项D', 'A', '1');
INSERT INTO Test VALUES (17, '单项选择题17', '选项A', '选项B', '选项C', '选项D', 'B', '1');
INSERT INTO Test VALUES (18, '单项选择题18', '选项A', '选项B', '选项C', '选项D', 'C', '1');
INSERT INTO Test VALUES (19, '单项选择题19', '选项A', '选项B', '选项C', '选项D', 'D', '1');
INSERT INTO Test VALUES (20, '单项选择题20', '选项A', '选项B', '选项C', '选项D', 'A', '1');
INSERT INTO Test VALUES (21, '单项选择题21', '选项A', '选项B', '选项C', '选项D', 'B', '1');
INSERT INTO Test VALUES (22, '单项选择题22', '选项A', '选项B', '选项C', '选项D', 'C', '1');
INSERT INTO Test VALUES (23, '单项选择题23', '选项A', '选项B', '选项C', '选项D', 'D', '1');
INSERT INTO Test VALUES (24, '单项选择题24', '选项A', '选项B', '选项C', '选项D', 'A', '1');
INSERT INTO Test VALUES (25, '单项选择题25', '选项A', '选项B', '选项C', '选项D', 'B', '1');
INSERT INTO Test VALUES (26, '单项选择题26', '选项A', '选项B', '选项C', '选项D', 'C', '1');
INSERT INTO Test VALUES (27, '单项选择题27', '选项A', '选项B', '选项C', '选项D', 'D', '1');
INSERT INTO Test VALUES (28, '单项选择题28', '选项A', '选项B', '选项C', '选项D', 'A', '1');
INSERT INTO Test VALUES (29, '单项选择题29', '选项A', '选项B', '选项C', '选项D', 'B', '1');
INSERT INTO Test VALUES (30, '单项选择题30', '选项A', '选项B', '选项C', '选项D', 'C', '1');
INSERT INTO Test VALUES (31, '单项选择题31', '选项A', '选项B', '选项C', '选项D', 'D', '1');
INSERT INTO Test VALUES (32, '单项选择题32', '选项A', '选项B', '选项C', '选项D', 'A', '1');
INSERT INTO Test VALUES (33, '单项选择题33', '选项A', '选项B', '选项C', '选项D', 'B', '1');
INSERT INTO Test VALUES (34, '单项选择题34', '选项A', '选项B', '选项C', '选项D', 'C', '1');
INSERT INTO Test VALUES (35, '单项选择题35', '选项A', '选项B', '选项C', '选项D', 'D', '1');
INSERT INTO Test VALUES (36, '单项选择题36', '选项A', '选项B', '选项C', '选项D', 'A', '1');
INSERT INTO Test VALUES (37, '单项选择题37', '选项A', '选项B', '选项C', '选项D', 'B', '1');
INSERT INTO Test VALUES (38, '单项选择题38', '选项A', '选项B', '选项C', '选项D', 'C', '1');
INSERT INTO Test VALUES (39, '单项选择题39', '选项A', '选项B', '选项C', '选项D', 'D', '1');
INSERT INTO Test VALUES (40, '单项选择题40', '选项A', '选项B', '选项C', '选项D', 'A', '1');
INSERT INTO Test VALUES (41, '单项选择题41', '选项A', '选项B', '选项C', '选项D', 'B', '1');
INSERT INTO Test VALUES (42, '单项选择题42', '选项A', '选项B', '选项C', '选项D', 'C', '1');
INSERT INTO Test VALUES (43, '单项选择题43', '选项A', '选项B', '选项C', '选项D', 'D', '1');
INSERT INTO Test VALUES (44, '单项选择题44', '选项A', '选项B', '选项C', '选项D', 'A', '1');
INSERT INTO Test VALUES (45, '单项选择题45', '选项A', '选项B', '选项C', '选项D', 'B', '1');
INSERT INTO Test VALUES (46, '单项选择题46', '选项A', '选项B', '选项C', '选项D', 'C', '1');
INSERT INTO Test VALUES (47, '单项选择题47', '选项A', '选项B', '选项C', '选项D', 'D', '1');
INSERT INTO Test VALUES (48, '单项选择题48', '选项A', '选项B', '选项C', '选项D', 'A', '1');
INSERT INTO Test VALUES (49, '单项选择题49', '选项A', '选项B', '选项C', '选项D', 'B', '1');
INSERT INTO Test VALUES (50, '单项选择题50', '选项A', '选项B', '选项C', '选项D', 'C', '1');
INSERT INTO KaoShi2 VALUES (1, '多项选择题1', '选项A', '选项B', '选项C', '选项D', 'AC', '3');
INSERT INTO KaoShi2 VALUES (2, '多项选择题2', '选项A', '选项B', '选项C', '选项D', 'AC', '3');
INSERT INTO KaoShi2 VALUES (3, '多项选择题3', '选项A', '选项B', '选项C', '选项D', 'AC', '3');
INSERT INTO KaoShi2 VALUES (4, '多项选择题4', '选项A', '选项B', '选项C', '选项D', 'AC', '3');
INSERT INTO KaoShi2 VALUES (5, '多项选择题5', '选项A', '选项B', '选项C', '选项D', 'AC', '3');
INSERT INTO KaoShi2 VALUES (6, '多项选择题6', '选项A', '选项B', '选项C', '选项D', 'AC', '3');
INSERT INTO KaoShi2 VALUES (7, '多项选择题7', '选项A', '选项B', '选项C', '选项D', 'AC', '3');
INSERT INTO KaoShi2 VALUES (8, '多项选择题8', '选项A', '选项B', '选项C', '选项D', 'AC', '3');
INSERT INTO KaoShi2 VALUES (9, '多项选择题9', '选项A', '选项B', '选项C', '选项D', 'AC', '3');
INSERT INTO KaoShi2 VALUES (10, '多项选择题10', '选项A', '选项B', '选项C', '选项D', 'AC', '3');
INSERT INTO KaoShi3 VALUES (1, '判断题1', '正确', '错误', '对', '1');
INSERT INTO KaoShi3 VALUES (2, '判断题2', '正确', '错误', '错', '1');
INSERT INTO KaoShi3 VALUES (3, '判断题3', '正确', '错误', '对', '1');
INSERT INTO KaoShi3 VALUES (4, '判断题4', '正确', '错误', '错', '1');
INSERT INTO KaoShi3 VALUES (5, '判断题5', '正确', '错误', '对', '1');
INSERT INTO KaoShi3 VALUES (6, '判断题6', '正确', '错误', '错', '1');
INSERT INTO KaoShi3 VALUES (7, '判断题7', '正确', '错误', '对', '1');
INSERT INTO KaoShi3 VALUES (8, '判断题8', '正确', '错误', '错', '1');
INSERT INTO KaoShi3 VALUES (9, '判断题9', '正确', '错误', '对', '1');
INSERT INTO KaoShi3 VALUES (10, '判断题10', '正确', '错误', '错', '1');
INSERT INTO KaoShi3 VALUES (11, '判断题11', '正确', '错误', '对', '1');
INSERT INTO KaoShi3 VALUES (12, '判断题12', '正确', '错误', '错', '1');
INSERT INTO KaoShi3 VALUES (13, '判断题13', '正确', '错误', '对', '1');
INSERT INTO KaoShi3 VALUES (14, '判断题14', '正确', '错误', '错', '1');
INSERT INTO KaoShi3 VALUES (15, '判断题15', '正确', '错误', '对', '1');
INSERT INTO KaoShi3 VALUES (16, '判断题16', '正确', '错误', '错', '1');
INSERT INTO KaoShi3 VALUES (17, '判断题17', '正确', '错误', '对', '1');
INSERT INTO KaoShi3 VALUES (18, '判断题18', '正确', '错误', '错', '1');
INSERT INTO KaoShi3 VALUES (19, '判断题19', '正确', '错误', '对', '1');
INSERT INTO KaoShi3 VALUES (20, '判断题20', '正确', '错误', '错', '1');
INSERT INTO KaoShi4 VALUES (1, '主观题1');
INSERT INTO KaoShi4 VALUES (2, '主观题2');
INSERT INTO KaoShi4 VALUES (3, '主观题3');

COMMIT;
