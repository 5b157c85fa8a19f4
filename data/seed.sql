-- Seed data of a new database: a small company with its people, rights,
-- settings and evaluation factors, and a second company beside it.
-- Runs once, in the transaction that creates the tables (see schema.sql);
-- texts are UTF-8. Keep to plain INSERT ... VALUES that both backends read.

-- Companies, users, groups ------------------------------------------------

INSERT INTO QRNMB (MB001, MB002, MB003, MB004, COMPANY, CREATOR, USR_GROUP, CREATE_DATE) VALUES
  ('CSOqrl54', '青岚精密机械有限公司', '青岚精密', 'CSOqrl54', 'CSOqrl54', 'KV', 'ADMIN', '20240105'),
  ('HZ0002', '杭州青岚贸易有限公司', '青岚贸易', 'HZ0002', 'CSOqrl54', 'KV', 'ADMIN', '20240105');

INSERT INTO QRNMA (MA001, MA002, MA003, MA004, MA005, COMPANY, CREATOR, USR_GROUP, CREATE_DATE) VALUES
  ('KV', '系统管理员', 'CSOqrl54', 'Y', 'CHS', 'CSOqrl54', 'KV', 'ADMIN', '20240105'),
  ('ZHANGWEI', '张伟', 'CSOqrl54', 'Y', 'CHS', 'CSOqrl54', 'KV', 'ADMIN', '20240105'),
  ('LIFANG', '李芳', 'CSOqrl54', 'Y', 'CHS', 'CSOqrl54', 'KV', 'ADMIN', '20240105'),
  ('WANGQIANG', '王强', 'HZ0002', 'Y', 'CHS', 'CSOqrl54', 'KV', 'ADMIN', '20240105');

INSERT INTO QRNMC (MC001, MC002, COMPANY, CREATOR, USR_GROUP, CREATE_DATE) VALUES
  ('ADMIN', '系统管理组', 'CSOqrl54', 'KV', 'ADMIN', '20240105'),
  ('HR', '人事组', 'CSOqrl54', 'KV', 'ADMIN', '20240105'),
  ('GUEST', '查询组', 'CSOqrl54', 'KV', 'ADMIN', '20240105');

INSERT INTO QRNMD (MD001, MD002, MD003, COMPANY, CREATOR, USR_GROUP, CREATE_DATE) VALUES
  ('KV', 'ADMIN', 'Y', 'CSOqrl54', 'KV', 'ADMIN', '20240105'),
  ('ZHANGWEI', 'HR', 'Y', 'CSOqrl54', 'KV', 'ADMIN', '20240105'),
  ('ZHANGWEI', 'GUEST', 'N', 'CSOqrl54', 'KV', 'ADMIN', '20240105'),
  ('LIFANG', 'GUEST', 'Y', 'CSOqrl54', 'KV', 'ADMIN', '20240105'),
  ('WANGQIANG', 'HR', 'Y', 'CSOqrl54', 'KV', 'ADMIN', '20240105');

-- Programs and their server configuration --------------------------------

INSERT INTO ADMMB (MB001, MB002, MB003, MB004, MB005, MB006, MB007, MB008, MB009, MB010, MB011, MB012, MB013, COMPANY, CREATOR, USR_GROUP, CREATE_DATE) VALUES
  ('PEVF07', '评价因素建立作业', 'HRF07', 'HRS', 'F', '8.0', 'HRS.hlp', '7', 'N', 'W', 'Evaluation Factors', '評價因素建立作業', 'PEVF07C', 'CSOqrl54', 'KV', 'ADMIN', '20240105'),
  ('PEVI08', '面试成绩录入作业', 'HRI08', 'HRS', 'I', '8.0', 'HRS.hlp', '8', 'Y', 'W', 'Interview Scores', '面試成績錄入作業', 'PEVI08C', 'CSOqrl54', 'KV', 'ADMIN', '20240105');

INSERT INTO ADMMS (MS001, MS002, MS003, COMPANY, CREATOR, USR_GROUP, CREATE_DATE) VALUES
  ('PEVF07', 'M11_TABLE', 'HRSMF', 'CSOqrl54', 'KV', 'ADMIN', '20240105'),
  ('PEVF07', 'M11_KEY', 'MF001,MF004', 'CSOqrl54', 'KV', 'ADMIN', '20240105'),
  ('PEVF07', 'M11_SELECT', 'SELECT HRSMF.* FROM HRSMF', 'CSOqrl54', 'KV', 'ADMIN', '20240105'),
  ('PEVF07', 'MAX_RECORD', '20', 'CSOqrl54', 'KV', 'ADMIN', '20240105');

-- Rights: POWER_DATA is program, item 1, record-level rights, the twelve
-- command rights, the seven rights on the group's records and the seven on
-- other groups' records.
INSERT INTO ADMMF (MF001, MF002, MF003, MF004, MF005, MF006, COMPANY, CREATOR, USR_GROUP, CREATE_DATE) VALUES
  ('ADMIN', 'G', 'PEVF07', 'PEVF07,Y,N,YYYYYYYYYYYY,YYYYYYY,YYYYYYY', 'btnPrint=Y;btnExport=Y', 'N', 'CSOqrl54', 'KV', 'ADMIN', '20240105'),
  ('HR', 'G', 'PEVF07', 'PEVF07,Y,Y,YYNYYYYYYNNN,YYNNYYN,NNNNNNN', 'btnPrint=Y;btnExport=Y', 'N', 'CSOqrl54', 'KV', 'ADMIN', '20240105'),
  ('GUEST', 'G', 'PEVF07', 'PEVF07,N,N,NNNNNNNNNNNN,NNNNNNN,NNNNNNN', 'btnPrint=N;btnExport=N', 'N', 'CSOqrl54', 'KV', 'ADMIN', '20240105'),
  ('LIFANG', 'U', 'PEVF07', 'PEVF07,N,N,NNNNNYRRNNNN,NNNNNNN,NNNNNNN', 'btnPrint=Y;btnExport=N', 'N', 'CSOqrl54', 'KV', 'ADMIN', '20240105'),
  ('HR', 'G', 'PEVF07', 'PEVF07,Y,N,YYYYYYYYYNNN,YYYYYYN,NNNNNNN', 'btnPrint=Y;btnExport=Y', 'N', 'HZ0002', 'KV', 'ADMIN', '20240105');

-- Messages ----------------------------------------------------------------

INSERT INTO ADMMG (MG001, MG002, MG003, COMPANY, CREATOR, USR_GROUP, CREATE_DATE) VALUES
  ('E', '000002', '[%s]资料已存在，不可重复!', 'CSOqrl54', 'KV', 'ADMIN', '20240105'),
  ('E', '000003', '[%s]不可空白!', 'CSOqrl54', 'KV', 'ADMIN', '20240105'),
  ('E', '000004', '找不到您在本作业的权限资料，请与系统管理员联系!', 'CSOqrl54', 'KV', 'ADMIN', '20240105'),
  ('E', '000005', '日期输入错误!', 'CSOqrl54', 'KV', 'ADMIN', '20240105'),
  ('E', '000007', '删除失败!', 'CSOqrl54', 'KV', 'ADMIN', '20240105'),
  ('E', '000008', '保存失败!', 'CSOqrl54', 'KV', 'ADMIN', '20240105'),
  ('E', '000015', '读取系统注册信息失败，请重新安装或与系统管理员联系!', 'CSOqrl54', 'KV', 'ADMIN', '20240105'),
  ('E', '000016', '客户端配置文件未设定应用服务器地址!', 'CSOqrl54', 'KV', 'ADMIN', '20240105'),
  ('E', '000032', '%s', 'CSOqrl54', 'KV', 'ADMIN', '20240105'),
  ('E', '000033', '取得下一个编号失败!', 'CSOqrl54', 'KV', 'ADMIN', '20240105'),
  ('E', '000038', '作业启动参数不足，无法启动!', 'CSOqrl54', 'KV', 'ADMIN', '20240105'),
  ('E', '100002', '月份必须介于1到12之间!', 'CSOqrl54', 'KV', 'ADMIN', '20240105'),
  ('E', '100012', '分数不可小于零!%s', 'CSOqrl54', 'KV', 'ADMIN', '20240105'),
  ('E', '100187', '时间输入错误!', 'CSOqrl54', 'KV', 'ADMIN', '20240105'),
  ('E', '100280', '[%s]的数值不可大于%s!', 'CSOqrl54', 'KV', 'ADMIN', '20240105'),
  ('E', '100288', '[%s]的数值不可小于%s!', 'CSOqrl54', 'KV', 'ADMIN', '20240105'),
  ('E', '200570', '您没有修改或删除这些资料的权限!', 'CSOqrl54', 'KV', 'ADMIN', '20240105'),
  ('E', '200571', '您没有修改或删除下列资料的权限:%s', 'CSOqrl54', 'KV', 'ADMIN', '20240105'),
  ('E', '200820', '年月输入错误!', 'CSOqrl54', 'KV', 'ADMIN', '20240105'),
  ('W', '000001', '查询失败，请检查查询条件!', 'CSOqrl54', 'KV', 'ADMIN', '20240105'),
  ('W', '000005', '[%s]资料已存在，是否继续?', 'CSOqrl54', 'KV', 'ADMIN', '20240105'),
  ('W', '100079', '%s', 'CSOqrl54', 'KV', 'ADMIN', '20240105'),
  ('C', '000001', '确定要删除这笔资料吗?', 'CSOqrl54', 'KV', 'ADMIN', '20240105'),
  ('C', '000002', '确定要放弃所做的修改吗?', 'CSOqrl54', 'KV', 'ADMIN', '20240105'),
  ('C', '000004', '确定要放弃新增的资料吗?', 'CSOqrl54', 'KV', 'ADMIN', '20240105'),
  ('D', '000001', '新增的资料尚未保存，是否保存?', 'CSOqrl54', 'KV', 'ADMIN', '20240105'),
  ('D', '000002', '修改的资料尚未保存，是否保存?', 'CSOqrl54', 'KV', 'ADMIN', '20240105');

-- System parameters ---------------------------------------------------------

INSERT INTO ADMMP (MP001, MP002, MP003, COMPANY, CREATOR, USR_GROUP, CREATE_DATE) VALUES
  ('SYS001', '1', '日期格式: 1 年月日', 'CSOqrl54', 'KV', 'ADMIN', '20240105'),
  ('SYS002', '/', '日期分隔符', 'CSOqrl54', 'KV', 'ADMIN', '20240105'),
  ('SYS003', 'RMB', '本国币别', 'CSOqrl54', 'KV', 'ADMIN', '20240105'),
  ('SYS024', '0', '隐藏栏位组', 'CSOqrl54', 'KV', 'ADMIN', '20240105'),
  ('SYS053', '1', '条码输入方式', 'CSOqrl54', 'KV', 'ADMIN', '20240105'),
  ('SYS054', '1', '客户编号输入方式', 'CSOqrl54', 'KV', 'ADMIN', '20240105'),
  ('SYS055', '1', '供应商编号输入方式', 'CSOqrl54', 'KV', 'ADMIN', '20240105'),
  ('SYS056', '1', '部门编号输入方式', 'CSOqrl54', 'KV', 'ADMIN', '20240105'),
  ('SYS060', 'N', '启用类别设置生效日', 'CSOqrl54', 'KV', 'ADMIN', '20240105'),
  ('SYS150', 'N', '启用自定查询语句', 'CSOqrl54', 'KV', 'ADMIN', '20240105'),
  ('SYS151', '500', '查询笔数限制', 'CSOqrl54', 'KV', 'ADMIN', '20240105'),
  ('SYS174', 'N', '使用电子表单类别设置', 'CSOqrl54', 'KV', 'ADMIN', '20240105'),
  ('sys068', '3', '数量小数位数', 'CSOqrl54', 'KV', 'ADMIN', '20240105'),
  ('QRN002', '青岚精密', '公司简称', 'CSOqrl54', 'KV', 'ADMIN', '20240105'),
  ('SYS001', '1', '日期格式: 1 年月日', 'HZ0002', 'KV', 'ADMIN', '20240105'),
  ('SYS002', '-', '日期分隔符', 'HZ0002', 'KV', 'ADMIN', '20240105'),
  ('SYS003', 'RMB', '本国币别', 'HZ0002', 'KV', 'ADMIN', '20240105'),
  ('SYS024', '0', '隐藏栏位组', 'HZ0002', 'KV', 'ADMIN', '20240105'),
  ('SYS053', '1', '条码输入方式', 'HZ0002', 'KV', 'ADMIN', '20240105'),
  ('SYS054', '1', '客户编号输入方式', 'HZ0002', 'KV', 'ADMIN', '20240105'),
  ('SYS055', '1', '供应商编号输入方式', 'HZ0002', 'KV', 'ADMIN', '20240105'),
  ('SYS056', '1', '部门编号输入方式', 'HZ0002', 'KV', 'ADMIN', '20240105'),
  ('SYS060', 'N', '启用类别设置生效日', 'HZ0002', 'KV', 'ADMIN', '20240105'),
  ('SYS150', 'N', '启用自定查询语句', 'HZ0002', 'KV', 'ADMIN', '20240105'),
  ('SYS151', '200', '查询笔数限制', 'HZ0002', 'KV', 'ADMIN', '20240105'),
  ('SYS174', 'N', '使用电子表单类别设置', 'HZ0002', 'KV', 'ADMIN', '20240105'),
  ('sys068', '2', '数量小数位数', 'HZ0002', 'KV', 'ADMIN', '20240105'),
  ('QRN002', '青岚贸易', '公司简称', 'HZ0002', 'KV', 'ADMIN', '20240105');

-- Currencies ------------------------------------------------------------------

INSERT INTO CMSMF (MF001, MF002, MF003, MF004, MF005, MF006, COMPANY, CREATOR, USR_GROUP, CREATE_DATE) VALUES
  ('RMB', '人民币', 4, 2, 4, 2, 'CSOqrl54', 'KV', 'ADMIN', '20240105'),
  ('USD', '美元', 4, 2, 4, 2, 'CSOqrl54', 'KV', 'ADMIN', '20240105'),
  ('JPY', '日元', 2, 0, 2, 0, 'CSOqrl54', 'KV', 'ADMIN', '20240105'),
  ('RMB', '人民币', 3, 2, 3, 2, 'HZ0002', 'KV', 'ADMIN', '20240105');

-- Evaluation factors ----------------------------------------------------------

INSERT INTO HRSMF (MF001, MF002, MF004, MF005, MF006, MF003, COMPANY, CREATOR, USR_GROUP, CREATE_DATE, FLAG, UDF01, UDF51) VALUES
  ('A01', '专业知识', '1', 60, '满分100分，60分及格', '各岗位通用', 'CSOqrl54', 'ZHANGWEI', 'HR', '20240108', 1, '人力资源部', 0.4),
  ('A02', '英语能力', '1', 60, '满分100分，含听力与阅读', '', 'CSOqrl54', 'ZHANGWEI', 'HR', '20240108', 1, '人力资源部', 0.4),
  ('A03', '计算机操作', '1', 70, '上机考试，满分100分', '文员岗位必考', 'CSOqrl54', 'ZHANGWEI', 'HR', '20240108', 2, NULL, 0.4),
  ('A04', '逻辑推理', '1', 60, '满分100分', '', 'CSOqrl54', 'ZHANGWEI', 'HR', '20240108', 1, NULL, NULL),
  ('A05', '公文写作', '1', 65, '按格式、内容、文字三项评分', '行政岗位', 'CSOqrl54', 'ZHANGWEI', 'HR', '20240109', 1, NULL, NULL),
  ('A06', '法律法规', '1', 60, '劳动法及公司制度', '', 'CSOqrl54', 'ZHANGWEI', 'HR', '20240109', 1, NULL, 0.3),
  ('A07', '财务基础', '1', 60, '会计基础知识', '财务岗位必考', 'CSOqrl54', 'ZHANGWEI', 'HR', '20240109', 1, '财务部', 0.4),
  ('A08', '安全生产知识', '1', 80, '满分100分，80分及格', '生产岗位必考', 'CSOqrl54', 'ZHANGWEI', 'HR', '20240110', 3, '生产部', 0.5),
  ('A09', '质量管理体系', '1', 70, 'ISO9001基础', '品管岗位', 'CSOqrl54', 'ZHANGWEI', 'HR', '20240110', 1, '品管部', 0.4),
  ('A10', '机械制图', '1', 60, '识图与绘图', '技术岗位', 'CSOqrl54', 'ZHANGWEI', 'HR', '20240110', 1, '生产部', 0.4),
  ('B01', '仪表仪态', '2', 70, '着装、举止、精神面貌', '', 'CSOqrl54', 'ZHANGWEI', 'HR', '20240111', 1, NULL, 0.6),
  ('B02', '语言表达', '2', 70, '条理清晰、表达准确', '', 'CSOqrl54', 'ZHANGWEI', 'HR', '20240111', 1, NULL, 0.6),
  ('B03', '沟通协调', '2', 75, '情景模拟评分', '', 'CSOqrl54', 'ZHANGWEI', 'HR', '20240111', 1, NULL, 0.6),
  ('B04', '应变能力', '2', 70, '结构化面试追问', '', 'CSOqrl54', 'ZHANGWEI', 'HR', '20240111', 1, NULL, 0.6),
  ('B05', '团队合作', '2', 75, '无领导小组讨论', '', 'CSOqrl54', 'ZHANGWEI', 'HR', '20240112', 1, NULL, 0.6),
  ('B06', '求职动机', '2', 60, '由面试官现场评定', '', 'CSOqrl54', 'ZHANGWEI', 'HR', '20240112', 1, NULL, 0.6),
  ('B07', '组织领导', '2', 70, '管理岗位加考', '管理岗位', 'CSOqrl54', 'ZHANGWEI', 'HR', '20240112', 1, NULL, 0.6),
  ('B08', '职业素养', '2', 80, '诚信、责任心', '', 'CSOqrl54', 'ZHANGWEI', 'HR', '20240112', 2, NULL, 0.6),
  ('B09', '学习能力', '2', 70, '由面试官现场评定', '', 'CSOqrl54', 'ZHANGWEI', 'HR', '20240115', 1, NULL, 0.6),
  ('B10', '抗压能力', '2', 70, '压力面试评分', '销售岗位', 'CSOqrl54', 'ZHANGWEI', 'HR', '20240115', 1, NULL, 0.6),
  ('C01', '综合素质', '1', 60, '笔试综合题', '笔试与面试均评', 'CSOqrl54', 'KV', 'ADMIN', '20240115', 1, NULL, 0.4),
  ('C01', '综合素质', '2', 70, '面试综合评定', '笔试与面试均评', 'CSOqrl54', 'KV', 'ADMIN', '20240115', 1, NULL, 0.6),
  ('A01', '专业知识', '1', 65, '满分100分', '贸易公司', 'HZ0002', 'WANGQIANG', 'HR', '20240201', 1, NULL, NULL),
  ('A02', '外贸英语', '1', 70, '函电与口语', '', 'HZ0002', 'WANGQIANG', 'HR', '20240201', 1, NULL, NULL),
  ('B01', '商务礼仪', '2', 70, '', '', 'HZ0002', 'WANGQIANG', 'HR', '20240201', 1, NULL, NULL),
  ('B02', '谈判能力', '2', 75, '模拟谈判', '', 'HZ0002', 'WANGQIANG', 'HR', '20240201', 1, NULL, NULL);

-- Colours, links, user fields, look-ups -------------------------------------

INSERT INTO ADMNH (NH001, NH002, NH003, COMPANY, CREATOR, USR_GROUP, CREATE_DATE) VALUES
  ('PEVF07', '评价因素颜色管理',
   '<colormanager><head><component name="gdHead" enable="Y"><condition value="MF004=''1''" colorx="0" bkcolor="15794160" msg="笔试"/><condition value="MF004=''2''" colorx="255" bkcolor="16777215" msg="面试"/><condition value="MF005&gt;=80" colorx="16711680" bkcolor="13434879" msg="高标准"/></component></head></colormanager>',
   'CSOqrl54', 'KV', 'ADMIN', '20240105');

INSERT INTO ADMMR (MR001, MR002, MR003, MR004, MR005, MR006, MR007, MR008, MR009, MR010, MR011, COMPANY, CREATOR, USR_GROUP, CREATE_DATE) VALUES
  ('PEVF07', '1', '', 'MF001', 'MF001', 'PEVI08', 'MG003', 'MG003', '', '', 1, 'CSOqrl54', 'KV', 'ADMIN', '20240105');

INSERT INTO ADMMD (MD001, MD002, MD003, MD004, COMPANY, CREATOR, USR_GROUP, CREATE_DATE) VALUES
  ('HRSMF', 'UDF01', '考核部门', 'Department', 'CSOqrl54', 'KV', 'ADMIN', '20240105'),
  ('HRSMF', 'UDF51', '权重', 'Weight', 'CSOqrl54', 'KV', 'ADMIN', '20240105');

INSERT INTO ADMTK (TK001, TK002, TK003, COMPANY, CREATOR, USR_GROUP, CREATE_DATE) VALUES
  ('HRS01', '评价因素自定义栏位', 'Y', 'CSOqrl54', 'KV', 'ADMIN', '20240105');

INSERT INTO ADMTL (TL001, TL002, TL003, TL004, TL005, TL006, TL007, TL010, TL011, TL012, TL013, COMPANY, CREATOR, USR_GROUP, CREATE_DATE) VALUES
  ('HRS01', 1, 'PEVF07', 'HRSMF', 'Z01', 'UDF01', '新增时带出考核部门', 'Y', 1, '', 'HRQ001', 'CSOqrl54', 'KV', 'ADMIN', '20240105'),
  ('HRS01', 2, 'PEVF07', 'HRSMF', 'Z01', 'UDF51', '依类别带出权重', 'Y', 2, 'HRSMF.MF004;', 'HRQ002', 'CSOqrl54', 'KV', 'ADMIN', '20240105');

INSERT INTO ADMTQ (TQ001, TQ002, TQ003, TQ004, COMPANY, CREATOR, USR_GROUP, CREATE_DATE) VALUES
  ('HRQ001', '默认考核部门', 'SELECT MA002 FROM ACTMA WHERE MA001 = ''HR01''', 0, 'CSOqrl54', 'KV', 'ADMIN', '20240105'),
  ('HRQ002', '依类别取权重', 'SELECT CASE WHEN ? = ''1'' THEN 0.4 ELSE 0.6 END', 1, 'CSOqrl54', 'KV', 'ADMIN', '20240105');

INSERT INTO NUMFD (FD001, FD002, FD003, FD004, COMPANY, CREATOR, USR_GROUP, CREATE_DATE) VALUES
  ('MF005', 5, 1, '合格分数', 'CSOqrl54', 'KV', 'ADMIN', '20240105'),
  ('UDF51', 3, 2, '权重', 'CSOqrl54', 'KV', 'ADMIN', '20240105');

INSERT INTO F2LINK (LK001, LK002, LK003, LK004, LK005, LK006, COMPANY, CREATOR, USR_GROUP, CREATE_DATE) VALUES
  ('1', 'ACTMA', '66', 'ACTMA', '66', '部门查询', 'CSOqrl54', 'KV', 'ADMIN', '20240105');

INSERT INTO ADMMT (MT001, MT002, MT003, COMPANY, CREATOR, USR_GROUP, CREATE_DATE) VALUES
  ('', 'PEVF07',
   '<MT_User CompanyID="CSOqrl54" ProgID="PEVF07"><Components><Component ID="edMF002"><Required>-1</Required></Component><Component ID="edUDF01"><DataSource>ACTMA</DataSource><RefFileID>ACTMA-66</RefFileID><F2Field>MA002</F2Field><F2FieldID>MA001</F2FieldID><RefFieldID>UDF01</RefFieldID><RefCondID></RefCondID></Component></Components></MT_User>',
   'CSOqrl54', 'KV', 'ADMIN', '20240105');

INSERT INTO ADMMU (MU001, MU002, MU003, MU004, COMPANY, CREATOR, USR_GROUP, CREATE_DATE) VALUES
  ('KV', 'PEVF07', 'InputSettings003', '<InputSettings003><IsColorManage>True</IsColorManage></InputSettings003>', 'CSOqrl54', 'KV', 'ADMIN', '20240105'),
  ('KV', '********************', 'NumberFieldsSetting', '<NumberFieldsSetting Enabled="True">  <QuantityFieldAutoZero>True</QuantityFieldAutoZero>  <QuantityFieldThousand>True</QuantityFieldThousand>  <MoneyFieldAutoZero>True</MoneyFieldAutoZero>  <MoneyFieldThousand>True</MoneyFieldThousand></NumberFieldsSetting>', 'CSOqrl54', 'KV', 'ADMIN', '20240105');

INSERT INTO WARRANT (NT001, NT002, NT003, COMPANY, CREATOR, USR_GROUP, CREATE_DATE) VALUES
  ('HRF07', '标准格式', '', 'CSOqrl54', 'KV', 'ADMIN', '20240105'),
  ('HRF07_S', '简要格式', '', 'CSOqrl54', 'KV', 'ADMIN', '20240105');

INSERT INTO ATTACH (Parent, CompanyID, KeyValues, SeqNo, KeyFields, UserID, Type, FileName, DocID, Revision, AddDate, AddTime, COMPANY, CREATOR, USR_GROUP, CREATE_DATE) VALUES
  ('PEVF07', 'CSOqrl54', 'A08||1', 1, 'MF001||MF004', 'ZHANGWEI', 'DOC', '安全生产知识评分细则.docx', 'D000001', 1, '20240110', '093000', 'CSOqrl54', 'ZHANGWEI', 'HR', '20240110');

INSERT INTO ADMPH (PH001, PH002, PH003, COMPANY, CREATOR, USR_GROUP, CREATE_DATE) VALUES
  ('', 1, '满分100分，60分及格', 'CSOqrl54', 'KV', 'ADMIN', '20240105'),
  ('', 2, '由面试官现场评定', 'CSOqrl54', 'KV', 'ADMIN', '20240105'),
  ('', 3, '按评分表逐项计分', 'CSOqrl54', 'KV', 'ADMIN', '20240105'),
  ('ZHANGWEI', 1, '人事部统一组织', 'CSOqrl54', 'KV', 'ADMIN', '20240105');

INSERT INTO ADMMQ (MQ001, MQ002, MQ003, MQ004, COMPANY, CREATOR, USR_GROUP, CREATE_DATE) VALUES
  ('PEVF07', '****', '1', '20240101', 'CSOqrl54', 'KV', 'ADMIN', '20240105');

INSERT INTO EFSMC (MC001, MC002, MC003, MC006, MC009, COMPANY, CREATOR, USR_GROUP, CREATE_DATE) VALUES
  ('PEVF07', '****', '评价因素', '1', '20240101', 'CSOqrl54', 'KV', 'ADMIN', '20240105');

-- Masters of the code look-ups -------------------------------------------------

INSERT INTO ACTMA (MA001, MA002, MA003, COMPANY, CREATOR, USR_GROUP, CREATE_DATE) VALUES
  ('HR01', '人力资源部', '1', 'CSOqrl54', 'KV', 'ADMIN', '20240105'),
  ('FN01', '财务部', '1', 'CSOqrl54', 'KV', 'ADMIN', '20240105'),
  ('PD01', '生产部', '2', 'CSOqrl54', 'KV', 'ADMIN', '20240105'),
  ('QA01', '品管部', '1', 'CSOqrl54', 'KV', 'ADMIN', '20240105'),
  ('HR01', '人事行政部', '1', 'HZ0002', 'KV', 'ADMIN', '20240105');

INSERT INTO COPMA (MA001, MA002, MA003, MA004, COMPANY, CREATOR, USR_GROUP, CREATE_DATE) VALUES
  ('C0001', '华东机电', '华东机电设备有限公司', '陈经理', 'CSOqrl54', 'KV', 'ADMIN', '20240105'),
  ('C0002', '南方重工', '南方重工集团股份有限公司', '刘先生', 'CSOqrl54', 'KV', 'ADMIN', '20240105'),
  ('C0003', '恒通汽配', '恒通汽车配件有限公司', '赵小姐', 'CSOqrl54', 'KV', 'ADMIN', '20240105');

INSERT INTO PURMA (MA001, MA002, MA003, MA004, COMPANY, CREATOR, USR_GROUP, CREATE_DATE) VALUES
  ('S0001', '宏达钢材', '宏达钢材贸易有限公司', '孙经理', 'CSOqrl54', 'KV', 'ADMIN', '20240105'),
  ('S0002', '精工刀具', '精工刀具制造有限公司', '周先生', 'CSOqrl54', 'KV', 'ADMIN', '20240105'),
  ('S0003', '瑞丰包装', '瑞丰包装材料有限公司', '吴小姐', 'CSOqrl54', 'KV', 'ADMIN', '20240105');

INSERT INTO INVMB (MB001, MB002, MB003, MB004, COMPANY, CREATOR, USR_GROUP, CREATE_DATE) VALUES
  ('P1001', '精密轴承', '6204-2RS', '个', 'CSOqrl54', 'KV', 'ADMIN', '20240105'),
  ('P1002', '传动齿轮', 'M2 Z40', '个', 'CSOqrl54', 'KV', 'ADMIN', '20240105'),
  ('P2001', '不锈钢板', 'SUS304 2mm', '张', 'CSOqrl54', 'KV', 'ADMIN', '20240105');

INSERT INTO INVMH (MH001, MH002, COMPANY, CREATOR, USR_GROUP, CREATE_DATE) VALUES
  ('6901234567892', 'P1001', 'CSOqrl54', 'KV', 'ADMIN', '20240105');

-- Base-data permission: ZHAOLEI of the HR group works only on the written
-- test factors ------------------------------------------------------------

INSERT INTO QRNMA (MA001, MA002, MA003, MA004, MA005, COMPANY, CREATOR, USR_GROUP, CREATE_DATE) VALUES
  ('ZHAOLEI', '赵磊', 'CSOqrl54', 'Y', 'CHS', 'CSOqrl54', 'KV', 'ADMIN', '20240116');

INSERT INTO QRNMD (MD001, MD002, MD003, COMPANY, CREATOR, USR_GROUP, CREATE_DATE) VALUES
  ('ZHAOLEI', 'HR', 'Y', 'CSOqrl54', 'KV', 'ADMIN', '20240116');

INSERT INTO ADMMF (MF001, MF002, MF003, MF004, MF005, MF006, COMPANY, CREATOR, USR_GROUP, CREATE_DATE) VALUES
  ('ZHAOLEI', 'U', 'PEVF07', 'PEVF07,Y,Y,YYNYYYYYYNNN,YYNNYYN,NNNNNNN', 'btnPrint=Y;btnExport=Y', 'Y', 'CSOqrl54', 'KV', 'ADMIN', '20240116');

INSERT INTO ADMBL (BL001, BL002, BL003, BL004, BL005, COMPANY, CREATOR, USR_GROUP, CREATE_DATE) VALUES
  ('ZHAOLEI', 'U', 'HRSMF', 'MF004 = ''1''', '只可维护笔试类评价因素', 'CSOqrl54', 'KV', 'ADMIN', '20240116');

-- Documents of the items ----------------------------------------------------

INSERT INTO CMSMV (MV001, MV002, MV003, MV004, MV005, COMPANY, CREATOR, USR_GROUP, CREATE_DATE) VALUES
  ('DOC-P1001', 'A', '精密轴承图纸', 'P1001_A.pdf', 'P1001', 'CSOqrl54', 'KV', 'ADMIN', '20240105'),
  ('DOC-P1001', 'B', '精密轴承图纸（修订）', 'P1001_B.pdf', 'P1001', 'CSOqrl54', 'KV', 'ADMIN', '20240301'),
  ('DOC-P1002', 'A', '传动齿轮图纸', 'P1002_A.pdf', 'P1002', 'CSOqrl54', 'KV', 'ADMIN', '20240105'),
  ('DOC-QA001', 'A', '来料检验规范', 'QA001_A.docx', '', 'CSOqrl54', 'KV', 'ADMIN', '20240110'),
  ('DOC-P1001', 'A', '轴承图纸', 'HZ_P1001.pdf', 'P1001', 'HZ0002', 'KV', 'ADMIN', '20240201');
