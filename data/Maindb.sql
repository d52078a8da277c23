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

-- The exam record: one row per exam attempt (Kaoshijilu) and one per question of an attempt that was
-- shown or answered (Datijilu). Times are seconds since 1970 (UTC); Zhuangtai 0 in progress,
-- 1 handed in, 2 timed out; Bufen 1..4 the section. Files made before these tables get them when the
-- program first opens them (schema version 1, PRAGMA user_version).
CREATE TABLE Kaoshijilu(JiluID INTEGER PRIMARY KEY, Xuehao INTEGER NOT NULL, Cishu INTEGER NOT NULL,
  Jiqi TEXT NOT NULL DEFAULT '', ExamID TEXT NOT NULL DEFAULT '', Kaishi BIGINT NOT NULL,
  Huodong BIGINT NOT NULL, Shengyu INTEGER NOT NULL, Zhuangtai INTEGER NOT NULL DEFAULT 0,
  Chengji FLOAT, Jieshu BIGINT, Tishu INTEGER NOT NULL DEFAULT 0, Bufen INTEGER NOT NULL DEFAULT 1,
  TestID INTEGER NOT NULL DEFAULT 1, ChangciID INTEGER NOT NULL DEFAULT 0,
  Zhuren TEXT NOT NULL DEFAULT '', Shebei TEXT NOT NULL DEFAULT '', Xintiao INTEGER NOT NULL DEFAULT 0,
  Jiashi INTEGER NOT NULL DEFAULT 0, Qidian BIGINT NOT NULL DEFAULT 0, Zuihou BIGINT NOT NULL DEFAULT 0,
  Huanji INTEGER NOT NULL DEFAULT 0, Zhongzi BIGINT NOT NULL DEFAULT 0, UNIQUE(Xuehao, Cishu));
CREATE TABLE Datijilu(JiluID INTEGER NOT NULL, Bufen INTEGER NOT NULL, TestID INTEGER NOT NULL,
  Daan TEXT NOT NULL DEFAULT '', Caogao TEXT, Biaoji INTEGER NOT NULL DEFAULT 0,
  Xianshi INTEGER NOT NULL DEFAULT 0, Fenzhi FLOAT NOT NULL DEFAULT 0, Biaozhun TEXT NOT NULL DEFAULT '',
  Defen FLOAT NOT NULL DEFAULT 0, Gengxin BIGINT NOT NULL, PRIMARY KEY(JiluID, Bufen, TestID));
-- Exam sittings (schema version 2): a sitting (Changci) with its name, duration in seconds, who
-- opened and ended it when, and its own clock (Shizhong: seconds that have run since it opened, as
-- the workstations taking part measure them); its frozen paper (Shijuan: every bank row as the exam
-- reads it, Bufen 1..4); the proctor's acts and the interruptions (Jiankao). Each attempt names its
-- sitting (ChangciID), its owner token (Zhuren), the installation that owns it (Shebei), its
-- sign-of-life counter (Xintiao), the extra seconds given (Jiashi), the sitting clock at its start
-- (Qidian) and at its last sign of life (Zuihou), and whether it may move at once (Huanji).
CREATE TABLE Changci(ChangciID INTEGER PRIMARY KEY, Mingcheng TEXT NOT NULL, Shichang INTEGER NOT NULL,
  Kaishi BIGINT NOT NULL, KaishiRen TEXT NOT NULL DEFAULT '', Jieshu BIGINT, JieshuRen TEXT,
  Shizhong BIGINT NOT NULL DEFAULT 0, Luanxu INTEGER NOT NULL DEFAULT 0);
CREATE TABLE Shijuan(ChangciID INTEGER NOT NULL, Bufen INTEGER NOT NULL, Hanghao INTEGER NOT NULL,
  TestID TEXT, Request TEXT, Axx TEXT, Bxx TEXT, Cxx TEXT, Dxx TEXT, DDx TEXT, Score TEXT,
  PRIMARY KEY(ChangciID, Bufen, Hanghao));
CREATE TABLE Jiankao(ID INTEGER PRIMARY KEY, ChangciID INTEGER NOT NULL, JiluID INTEGER, Xuehao INTEGER,
  Caozuo TEXT NOT NULL, Canshu BIGINT, Ren TEXT NOT NULL DEFAULT '', Shijian BIGINT NOT NULL);
-- Pictures, per-candidate order and settings (schema version 3): each picture once (Tupian, keyed
-- by the SHA-256 of its bytes, Geshi its format), referred to from the question texts; a sitting may
-- give each attempt its own order of questions and options (Changci.Luanxu), drawn from the
-- attempt's seed (Kaoshijilu.Zhongzi); settings every workstation shares, by name (Shezhi).
CREATE TABLE Tupian(Hash TEXT PRIMARY KEY, Geshi TEXT NOT NULL, Shuju BLOB NOT NULL);
CREATE TABLE Shezhi(Mingcheng TEXT PRIMARY KEY, Zhi TEXT NOT NULL DEFAULT '');
-- The exam journal's last entry applied per attempt (Xuhao), by which owner (Zhuren), and how many
-- entries the workstation still held unshipped then (Daishang).
CREATE TABLE Rizhi(JiluID INTEGER PRIMARY KEY, Zhuren TEXT NOT NULL DEFAULT '',
  Xuhao BIGINT NOT NULL DEFAULT 0, Daishang INTEGER NOT NULL DEFAULT 0);
PRAGMA user_version = 3;

INSERT INTO Exam (ExamID) VALUES (1);
INSERT INTO Time (TimeID, TimeN) VALUES (1, '01:10:00');
INSERT INTO UserGL (UserGLID, Usermin, password) VALUES (1, 'admin', '123456');
INSERT INTO Userxinxi (UserID, Xuehao, Xingmin) VALUES (1, '110101', '张三');

INSERT INTO Test VALUES (1, '通常认为世界上第一台电子计算机ENIAC诞生于哪一年？', '1946年', '1956年', '1936年', '1964年', 'A', '1');
INSERT INTO Test VALUES (2, '计算机的中央处理器（CPU）主要由哪两部分组成？', '内存和外存', '运算器和控制器', '输入设备和输出设备', '主板和硬盘', 'B', '1');
INSERT INTO Test VALUES (3, '冯·诺依曼体系结构计算机的基本工作原理是？', '采用十进制运算', '使用晶体管元件', '存储程序和程序控制', '多个处理器并行工作', 'C', '1');
INSERT INTO Test VALUES (4, '断电后所存信息会全部丢失的存储器是？', 'ROM', '硬盘', 'U盘', 'RAM', 'D', '1');
INSERT INTO Test VALUES (5, '在计算机存储容量单位中，1 KB 等于多少字节？', '1000', '512', '1024', '2048', 'C', '1');
INSERT INTO Test VALUES (6, '下列设备中，属于输入设备的是？', '键盘', '显示器', '打印机', '音箱', 'A', '1');
INSERT INTO Test VALUES (7, '计算机内部存储和处理数据采用的是？', '八进制', '十进制', '十六进制', '二进制', 'D', '1');
INSERT INTO Test VALUES (8, '十进制数 10 转换为二进制数是？', '1001', '1010', '1100', '1110', 'B', '1');
INSERT INTO Test VALUES (9, '高速缓冲存储器（Cache）的主要作用是？', '永久保存数据', '缓解CPU与内存的速度差异', '扩大硬盘容量', '提高显示分辨率', 'B', '1');
INSERT INTO Test VALUES (10, '一个字节（Byte）由几个二进制位（bit）组成？', '2', '4', '16', '8', 'D', '1');
INSERT INTO Test VALUES (11, '标准ASCII码用几位二进制数对一个字符编码？', '7', '8', '16', '32', 'A', '1');
INSERT INTO Test VALUES (12, '下列存储部件中，存取速度最快的是？', '机械硬盘', '光盘', 'CPU中的寄存器', '内存', 'C', '1');
INSERT INTO Test VALUES (13, '计算机软件分为系统软件和应用软件，下列属于系统软件的是？', 'WPS文字', '微信', 'Photoshop', 'Windows 10', 'D', '1');
INSERT INTO Test VALUES (14, '在Windows中，剪贴板是在哪里开辟的一块临时存储区域？', '硬盘', '内存', 'U盘', '显卡', 'B', '1');
INSERT INTO Test VALUES (15, '在Windows中，复制选定内容的快捷键是？', 'Ctrl+X', 'Ctrl+V', 'Ctrl+C', 'Ctrl+Z', 'C', '1');
INSERT INTO Test VALUES (16, '在Windows中，用Shift+Delete删除硬盘上的文件，该文件将？', '不经回收站被直接删除', '被放入回收站', '被移到桌面', '被隐藏起来', 'A', '1');
INSERT INTO Test VALUES (17, '在Windows中，在已打开的程序窗口之间切换的快捷键是？', 'Ctrl+S', 'Shift+Tab', 'Ctrl+A', 'Alt+Tab', 'D', '1');
INSERT INTO Test VALUES (18, '在Windows中，关闭当前活动窗口的快捷键是？', 'Ctrl+Tab', 'Alt+F4', 'Shift+F1', 'Ctrl+P', 'B', '1');
INSERT INTO Test VALUES (19, 'Windows的文件名中不允许使用的字符是？', '下划线（_）', '连字符（-）', '星号（*）', '空格', 'C', '1');
INSERT INTO Test VALUES (20, '在Windows中，扩展名为 .exe 的文件通常是？', '可执行程序文件', '纯文本文件', '图片文件', '压缩文件', 'A', '1');
INSERT INTO Test VALUES (21, '在Windows资源管理器中，要选择多个不连续的文件，应按住哪个键再逐个单击？', 'Shift', 'Alt', 'Tab', 'Ctrl', 'D', '1');
INSERT INTO Test VALUES (22, '操作系统的主要功能是？', '管理软硬件资源，方便用户使用', '编辑和排版文档', '查杀计算机病毒', '浏览网页', 'A', '1');
INSERT INTO Test VALUES (23, '在Windows中查找文件时，通配符“?”代表？', '任意多个字符', '任意一个字符', '一个空格', '问号本身', 'B', '1');
INSERT INTO Test VALUES (24, '在Word中，保存当前文档的快捷键是？', 'Ctrl+O', 'Ctrl+N', 'Ctrl+S', 'Ctrl+P', 'C', '1');
INSERT INTO Test VALUES (25, '在Word中，要在每一页的顶端显示相同的文字，应设置？', '脚注', '批注', '页脚', '页眉', 'D', '1');
INSERT INTO Test VALUES (26, '在Word中，“格式刷”的作用是？', '复制文字或段落的格式', '复制文字内容', '清除全部格式', '插入图片', 'A', '1');
INSERT INTO Test VALUES (27, '在Word中，要把文档中的某个词全部换成另一个词，最方便的功能是？', '拼写检查', '字数统计', '查找和替换', '修订', 'C', '1');
INSERT INTO Test VALUES (28, 'Word 2007及以后版本的文档，默认扩展名是？', '.txt', '.xlsx', '.pptx', '.docx', 'D', '1');
INSERT INTO Test VALUES (29, '在Excel中，工作表中行与列交叉形成的格子称为？', '工作簿', '单元格', '工作表', '窗格', 'B', '1');
INSERT INTO Test VALUES (30, '在Excel中输入公式时，通常以哪个符号开头？', '等号（=）', '冒号（:）', '井号（#）', '百分号（%）', 'A', '1');
INSERT INTO Test VALUES (31, '在Excel中，计算A1到A10单元格数值之和的公式是？', '=AVERAGE(A1:A10)', '=COUNT(A1:A10)', '=SUM(A1:A10)', '=MAX(A1:A10)', 'C', '1');
INSERT INTO Test VALUES (32, '在Excel中，单元格地址 $A$1 属于哪种引用？', '相对引用', '混合引用', '三维引用', '绝对引用', 'D', '1');
INSERT INTO Test VALUES (33, '在Excel中，单元格显示“#####”，通常表示？', '公式有语法错误', '列宽不足以显示数据', '除数为零', '引用了无效的单元格', 'B', '1');
INSERT INTO Test VALUES (34, '在PowerPoint中，演示文稿中的每一页称为？', '工作表', '图层', '文档', '幻灯片', 'D', '1');
INSERT INTO Test VALUES (35, '在PowerPoint中，从第一张幻灯片开始放映的快捷键是？', 'F5', 'F1', 'F7', 'F12', 'A', '1');
INSERT INTO Test VALUES (36, '计算机网络最主要的功能是？', '提高计算速度', '增加存储容量', '数据通信和资源共享', '防止计算机病毒', 'C', '1');
INSERT INTO Test VALUES (37, '按覆盖范围划分，一所学校内部的校园网一般属于？', '广域网', '局域网', '城域网', '因特网', 'B', '1');
INSERT INTO Test VALUES (38, '因特网（Internet）使用的基础通信协议是？', 'TCP/IP', 'HTTP', 'FTP', 'SMTP', 'A', '1');
INSERT INTO Test VALUES (39, '一个IPv4地址由多少位二进制数组成？', '16', '64', '32', '128', 'C', '1');
INSERT INTO Test VALUES (40, '下列IPv4地址中，书写格式正确的是？', '192.168.1.256', '192.168.1', '192,168,1,10', '192.168.1.10', 'D', '1');
INSERT INTO Test VALUES (41, '负责把域名解析为IP地址的系统是？', 'DNS', 'DHCP', 'FTP', 'HTML', 'A', '1');
INSERT INTO Test VALUES (42, '网址“https://www.edu.cn”中的“https”指的是？', '主机名', '文件路径', '访问协议', '顶级域名', 'C', '1');
INSERT INTO Test VALUES (43, '电子邮件地址 zhangsan@163.com 中，“@”后面的部分表示？', '用户名', '邮件服务器的域名', '登录密码', '邮件主题', 'B', '1');
INSERT INTO Test VALUES (44, '用于发送电子邮件的协议是？', 'POP3', 'HTTP', 'DNS', 'SMTP', 'D', '1');
INSERT INTO Test VALUES (45, '顶级域名 .edu 通常表示哪类机构？', '教育机构', '商业机构', '政府部门', '网络服务机构', 'A', '1');
INSERT INTO Test VALUES (46, '计算机病毒实质上是？', '一种会传染人的生物病毒', '能自我复制并有破坏性的程序', '已经损坏的硬盘', '用户的误操作', 'B', '1');
INSERT INTO Test VALUES (47, '防火墙的主要作用是？', '防止计算机机箱起火', '彻底清除所有病毒', '控制网络访问，阻挡非法连接', '提高网络传输速度', 'C', '1');
INSERT INTO Test VALUES (48, '下列密码中，安全性最高的是？', '123456', '19990101', 'zhangsan', 'Xk#7pQ!2mR', 'D', '1');
INSERT INTO Test VALUES (49, '收到陌生人发来的“中奖领取”链接，正确的做法是？', '立即点击领奖', '不点击，并删除或举报', '按提示填写银行卡号', '转发给亲友', 'B', '1');
INSERT INTO Test VALUES (50, '为防止重要数据因故障而丢失，最有效的措施是？', '定期备份', '经常格式化硬盘', '关闭杀毒软件', '清空回收站', 'A', '1');
INSERT INTO KaoShi2 VALUES (1, '下列属于计算机外存储器的有？', '硬盘', 'U盘', '内存条', '光盘', 'ABD', '3');
INSERT INTO KaoShi2 VALUES (2, '下列设备中，属于输入设备的有？', '键盘', '显示器', '扫描仪', '打印机', 'AC', '3');
INSERT INTO KaoShi2 VALUES (3, '下列软件中，属于操作系统的有？', 'Excel', 'Windows', 'Linux', 'macOS', 'BCD', '3');
INSERT INTO KaoShi2 VALUES (4, '下列属于计算机网络常用传输介质的有？', '双绞线', '光纤', '同轴电缆', '无线电波', 'ABCD', '3');
INSERT INTO KaoShi2 VALUES (5, '在Excel中，下列属于正确单元格地址写法的有？', '1A', 'B2', 'A-1', '$C$3', 'BD', '3');
INSERT INTO KaoShi2 VALUES (6, '下列做法中，能有效防范计算机病毒的有？', '安装杀毒软件并及时更新', '随意打开陌生邮件的附件', '及时安装系统安全补丁', '定期备份重要数据', 'ACD', '3');
INSERT INTO KaoShi2 VALUES (7, '下列文件扩展名中，属于图像文件的有？', '.jpg', '.png', '.mp3', '.txt', 'AB', '3');
INSERT INTO KaoShi2 VALUES (8, '下列IP地址中，属于正确IPv4地址格式的有？', '256.1.1.1', '10.0.0', '172.16.0.1', '8.8.8.8', 'CD', '3');
INSERT INTO KaoShi2 VALUES (9, '下列属于Excel中常用函数的有？', 'SUM', 'AVERAGE', 'MAX', 'PRINT', 'ABC', '3');
INSERT INTO KaoShi2 VALUES (10, '下列关于密码安全的做法中，正确的有？', '用字母、数字和符号组合密码', '所有网站使用同一个密码', '把密码写在显示器旁边', '定期更换重要账户的密码', 'AD', '3');
INSERT INTO KaoShi3 VALUES (1, '计算机断电后，内存（RAM）中的数据会全部丢失。', '正确', '错误', '对', '1');
INSERT INTO KaoShi3 VALUES (2, '在计算机存储容量中，1 GB 等于 1000 MB。', '正确', '错误', '错', '1');
INSERT INTO KaoShi3 VALUES (3, 'CPU是计算机的核心部件，主要负责运算和控制。', '正确', '错误', '对', '1');
INSERT INTO KaoShi3 VALUES (4, '显示器和打印机都属于计算机的输入设备。', '正确', '错误', '错', '1');
INSERT INTO KaoShi3 VALUES (5, '操作系统属于应用软件。', '正确', '错误', '错', '1');
INSERT INTO KaoShi3 VALUES (6, '二进制数只有 0 和 1 两个数码。', '正确', '错误', '对', '1');
INSERT INTO KaoShi3 VALUES (7, '在Windows中，用Delete键删除硬盘上的文件，一般会先放入回收站。', '正确', '错误', '对', '1');
INSERT INTO KaoShi3 VALUES (8, '在Windows中，同一个文件夹内可以存放两个名称完全相同的文件。', '正确', '错误', '错', '1');
INSERT INTO KaoShi3 VALUES (9, '在Windows中，文件的扩展名通常用来表示文件的类型。', '正确', '错误', '对', '1');
INSERT INTO KaoShi3 VALUES (10, '在Word中，页眉和页脚只能输入文字，不能插入图片。', '正确', '错误', '错', '1');
INSERT INTO KaoShi3 VALUES (11, '在Excel中，把C1中的公式 =A1+B1 复制到C2后，C2中的公式仍是 =A1+B1。', '正确', '错误', '错', '1');
INSERT INTO KaoShi3 VALUES (12, '在Excel中，一个工作簿可以包含多个工作表。', '正确', '错误', '对', '1');
INSERT INTO KaoShi3 VALUES (13, '在PowerPoint中，可以为幻灯片设置切换效果。', '正确', '错误', '对', '1');
INSERT INTO KaoShi3 VALUES (14, '局域网的覆盖范围一般比广域网大。', '正确', '错误', '错', '1');
INSERT INTO KaoShi3 VALUES (15, '在同一个网络中，每台计算机的IP地址应当是唯一的。', '正确', '错误', '对', '1');
INSERT INTO KaoShi3 VALUES (16, '浏览网页时使用的主要协议是HTTP或HTTPS。', '正确', '错误', '对', '1');
INSERT INTO KaoShi3 VALUES (17, '计算机病毒只能通过U盘传播，不会通过网络传播。', '正确', '错误', '错', '1');
INSERT INTO KaoShi3 VALUES (18, '安装了杀毒软件的计算机就绝对不会感染病毒。', '正确', '错误', '错', '1');
INSERT INTO KaoShi3 VALUES (19, '不随意连接来历不明的免费Wi-Fi，有助于保护个人信息安全。', '正确', '错误', '对', '1');
INSERT INTO KaoShi3 VALUES (20, '把重要文件只保存在一个U盘里，是最安全的备份方式。', '正确', '错误', '错', '1');
INSERT INTO KaoShi4 VALUES (1, '计算机硬件系统由哪五大部分组成？请简述各部分的主要作用。');
INSERT INTO KaoShi4 VALUES (2, '简述Excel中相对引用与绝对引用的区别，并各举一例。');
INSERT INTO KaoShi4 VALUES (3, '日常使用计算机和网络时，应采取哪些措施保护个人信息安全？请至少写出三条。');

COMMIT;
