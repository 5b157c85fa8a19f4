-- The application server's database: one description for both backends.
--
-- This file is the only description of the tables. The server reads it at
-- start (it is built into the server), learns the tables, columns, keys and
-- scopes from it, and creates them in SQLite or PostgreSQL with the types
-- each backend needs (PostgreSQL texts get the byte-order collation "C", so
-- that both backends sort alike). Keep to the forms used here:
--   CREATE TABLE name ( column TYPE [NOT NULL] [DEFAULT literal], ...,
--                       PRIMARY KEY (columns) );
--   CREATE [UNIQUE] INDEX name ON table (columns);
-- with the types VARCHAR(n), TEXT, INTEGER and DOUBLE PRECISION.
--
-- Directives are comments beginning with "pellor:":
--   "pellor: schema version N" once, anywhere: the version a database made
--     from this file carries; a server refuses a database of another version.
--   "pellor: shared" or "pellor: private" before a CREATE TABLE: the table's
--     scope. Without one a table is a company table: its primary key begins
--     with COMPANY and SQL sent by a client sees only the rows of the
--     client's company. A shared table is read by every company (programs,
--     users, messages); a private table is never visible to client SQL.
--
-- Every table carries the record stamps COMPANY, CREATOR, USR_GROUP,
-- CREATE_DATE, MODIFIER, MODI_DATE and FLAG.
--
-- pellor: schema version 2

-- The server's own record of this file's version and of the seeding.
-- pellor: private
CREATE TABLE PELLOR_SCHEMA (
  SV001 INTEGER NOT NULL,                       -- schema version
  SV002 VARCHAR(17) NOT NULL DEFAULT '',        -- created at, YYYYMMDDhhmmsszzz
  COMPANY VARCHAR(10) NOT NULL DEFAULT '',
  CREATOR VARCHAR(10) NOT NULL DEFAULT '',
  USR_GROUP VARCHAR(10) NOT NULL DEFAULT '',
  CREATE_DATE VARCHAR(17) NOT NULL DEFAULT '',
  MODIFIER VARCHAR(10) NOT NULL DEFAULT '',
  MODI_DATE VARCHAR(17) NOT NULL DEFAULT '',
  FLAG DOUBLE PRECISION NOT NULL DEFAULT 1,
  PRIMARY KEY (SV001)
);

-- Evaluation factors of the personnel module, in the field order of the
-- program's dataset.
CREATE TABLE HRSMF (
  MF001 VARCHAR(6) NOT NULL,                    -- factor number
  MF002 VARCHAR(20) NOT NULL DEFAULT '',        -- factor name
  MF004 VARCHAR(1) NOT NULL,                    -- category: 1 written test, 2 interview
  MF005 DOUBLE PRECISION NOT NULL DEFAULT 0,    -- pass score
  MF006 VARCHAR(255) NOT NULL DEFAULT '',       -- scoring standard
  MF003 VARCHAR(255) NOT NULL DEFAULT '',       -- remark
  COMPANY VARCHAR(10) NOT NULL,
  CREATOR VARCHAR(10) NOT NULL DEFAULT '',
  USR_GROUP VARCHAR(10) NOT NULL DEFAULT '',
  CREATE_DATE VARCHAR(17) NOT NULL DEFAULT '',
  MODIFIER VARCHAR(10) NOT NULL DEFAULT '',
  MODI_DATE VARCHAR(17) NOT NULL DEFAULT '',
  FLAG DOUBLE PRECISION NOT NULL DEFAULT 1,
  UDF01 VARCHAR(255),
  UDF02 VARCHAR(255),
  UDF03 VARCHAR(255),
  UDF04 VARCHAR(255),
  UDF05 VARCHAR(255),
  UDF06 VARCHAR(255),
  UDF51 DOUBLE PRECISION,
  UDF52 DOUBLE PRECISION,
  UDF53 DOUBLE PRECISION,
  UDF54 DOUBLE PRECISION,
  UDF55 DOUBLE PRECISION,
  UDF56 DOUBLE PRECISION,
  UDF07 VARCHAR(255),
  UDF08 VARCHAR(255),
  UDF09 VARCHAR(255),
  UDF10 VARCHAR(255),
  UDF11 VARCHAR(255),
  UDF12 VARCHAR(255),
  UDF57 DOUBLE PRECISION,
  UDF58 DOUBLE PRECISION,
  UDF59 DOUBLE PRECISION,
  UDF60 DOUBLE PRECISION,
  UDF61 DOUBLE PRECISION,
  UDF62 DOUBLE PRECISION,
  PRIMARY KEY (COMPANY, MF001, MF004)
);
CREATE INDEX HRSMF_NAME ON HRSMF (COMPANY, MF002);

-- Program records. Looked up with check kind "06", which answers MB002,
-- MB003, MB004 to MB008, MB009, MB010 and MB011 in this order.
-- pellor: shared
CREATE TABLE ADMMB (
  MB001 VARCHAR(20) NOT NULL,                   -- program ID
  MB002 VARCHAR(60) NOT NULL DEFAULT '',        -- program name (simplified Chinese)
  MB003 VARCHAR(20) NOT NULL DEFAULT '',        -- program alias (printing, voucher formats)
  MB004 VARCHAR(20) NOT NULL DEFAULT '',        -- system code
  MB005 VARCHAR(20) NOT NULL DEFAULT '',        -- program type
  MB006 VARCHAR(20) NOT NULL DEFAULT '',        -- version
  MB007 VARCHAR(20) NOT NULL DEFAULT '',        -- help file
  MB008 VARCHAR(20) NOT NULL DEFAULT '',        -- menu picture
  MB009 VARCHAR(1) NOT NULL DEFAULT 'N',        -- audit trail: Y
  MB010 VARCHAR(1) NOT NULL DEFAULT '',         -- program kind: W, E, Z
  MB011 VARCHAR(60) NOT NULL DEFAULT '',        -- English name
  MB012 VARCHAR(60) NOT NULL DEFAULT '',        -- traditional Chinese name
  MB013 VARCHAR(60) NOT NULL DEFAULT '',        -- module file
  COMPANY VARCHAR(10) NOT NULL DEFAULT '',
  CREATOR VARCHAR(10) NOT NULL DEFAULT '',
  USR_GROUP VARCHAR(10) NOT NULL DEFAULT '',
  CREATE_DATE VARCHAR(17) NOT NULL DEFAULT '',
  MODIFIER VARCHAR(10) NOT NULL DEFAULT '',
  MODI_DATE VARCHAR(17) NOT NULL DEFAULT '',
  FLAG DOUBLE PRECISION NOT NULL DEFAULT 1,
  PRIMARY KEY (MB001)
);

-- Companies.
-- pellor: shared
CREATE TABLE QRNMB (
  MB001 VARCHAR(10) NOT NULL,                   -- company ID
  MB002 VARCHAR(60) NOT NULL DEFAULT '',        -- company name
  MB003 VARCHAR(20) NOT NULL DEFAULT '',        -- short name
  MB004 VARCHAR(20) NOT NULL DEFAULT '',        -- database name the clients use
  COMPANY VARCHAR(10) NOT NULL DEFAULT '',
  CREATOR VARCHAR(10) NOT NULL DEFAULT '',
  USR_GROUP VARCHAR(10) NOT NULL DEFAULT '',
  CREATE_DATE VARCHAR(17) NOT NULL DEFAULT '',
  MODIFIER VARCHAR(10) NOT NULL DEFAULT '',
  MODI_DATE VARCHAR(17) NOT NULL DEFAULT '',
  FLAG DOUBLE PRECISION NOT NULL DEFAULT 1,
  PRIMARY KEY (MB001)
);

-- Users.
-- pellor: shared
CREATE TABLE QRNMA (
  MA001 VARCHAR(10) NOT NULL,                   -- user ID
  MA002 VARCHAR(30) NOT NULL DEFAULT '',        -- user name
  MA003 VARCHAR(10) NOT NULL DEFAULT '',        -- home company
  MA004 VARCHAR(1) NOT NULL DEFAULT 'Y',        -- active: Y
  MA005 VARCHAR(3) NOT NULL DEFAULT 'CHS',      -- language folder
  COMPANY VARCHAR(10) NOT NULL DEFAULT '',
  CREATOR VARCHAR(10) NOT NULL DEFAULT '',
  USR_GROUP VARCHAR(10) NOT NULL DEFAULT '',
  CREATE_DATE VARCHAR(17) NOT NULL DEFAULT '',
  MODIFIER VARCHAR(10) NOT NULL DEFAULT '',
  MODI_DATE VARCHAR(17) NOT NULL DEFAULT '',
  FLAG DOUBLE PRECISION NOT NULL DEFAULT 1,
  PRIMARY KEY (MA001)
);

-- User groups.
-- pellor: shared
CREATE TABLE QRNMC (
  MC001 VARCHAR(10) NOT NULL,                   -- group ID
  MC002 VARCHAR(30) NOT NULL DEFAULT '',        -- group name
  COMPANY VARCHAR(10) NOT NULL DEFAULT '',
  CREATOR VARCHAR(10) NOT NULL DEFAULT '',
  USR_GROUP VARCHAR(10) NOT NULL DEFAULT '',
  CREATE_DATE VARCHAR(17) NOT NULL DEFAULT '',
  MODIFIER VARCHAR(10) NOT NULL DEFAULT '',
  MODI_DATE VARCHAR(17) NOT NULL DEFAULT '',
  FLAG DOUBLE PRECISION NOT NULL DEFAULT 1,
  PRIMARY KEY (MC001)
);

-- Group memberships; the primary group is the user's USER_GROUP, all of
-- them together the GROUP_LIST.
-- pellor: shared
CREATE TABLE QRNMD (
  MD001 VARCHAR(10) NOT NULL,                   -- user ID
  MD002 VARCHAR(10) NOT NULL,                   -- group ID
  MD003 VARCHAR(1) NOT NULL DEFAULT 'N',        -- primary group: Y
  COMPANY VARCHAR(10) NOT NULL DEFAULT '',
  CREATOR VARCHAR(10) NOT NULL DEFAULT '',
  USR_GROUP VARCHAR(10) NOT NULL DEFAULT '',
  CREATE_DATE VARCHAR(17) NOT NULL DEFAULT '',
  MODIFIER VARCHAR(10) NOT NULL DEFAULT '',
  MODI_DATE VARCHAR(17) NOT NULL DEFAULT '',
  FLAG DOUBLE PRECISION NOT NULL DEFAULT 1,
  PRIMARY KEY (MD001, MD002)
);

-- Rights of a user or a group in one program of one company. A user's own
-- row wins over the rows of the user's groups.
CREATE TABLE ADMMF (
  MF001 VARCHAR(10) NOT NULL,                   -- user or group ID
  MF002 VARCHAR(1) NOT NULL,                    -- U user, G group
  MF003 VARCHAR(20) NOT NULL,                   -- program ID
  MF004 VARCHAR(120) NOT NULL DEFAULT '',       -- POWER_DATA
  MF005 VARCHAR(255) NOT NULL DEFAULT '',       -- EX_POWER
  MF006 VARCHAR(1) NOT NULL DEFAULT 'N',        -- BaseLimited
  COMPANY VARCHAR(10) NOT NULL,
  CREATOR VARCHAR(10) NOT NULL DEFAULT '',
  USR_GROUP VARCHAR(10) NOT NULL DEFAULT '',
  CREATE_DATE VARCHAR(17) NOT NULL DEFAULT '',
  MODIFIER VARCHAR(10) NOT NULL DEFAULT '',
  MODI_DATE VARCHAR(17) NOT NULL DEFAULT '',
  FLAG DOUBLE PRECISION NOT NULL DEFAULT 1,
  PRIMARY KEY (COMPANY, MF001, MF002, MF003)
);

-- The application server's configuration of a program: M11_TABLE, M11_KEY,
-- M11_SELECT, MAX_RECORD ... as name and value.
-- pellor: shared
CREATE TABLE ADMMS (
  MS001 VARCHAR(20) NOT NULL,                   -- program ID
  MS002 VARCHAR(30) NOT NULL,                   -- setting name
  MS003 TEXT NOT NULL DEFAULT '',               -- value
  COMPANY VARCHAR(10) NOT NULL DEFAULT '',
  CREATOR VARCHAR(10) NOT NULL DEFAULT '',
  USR_GROUP VARCHAR(10) NOT NULL DEFAULT '',
  CREATE_DATE VARCHAR(17) NOT NULL DEFAULT '',
  MODIFIER VARCHAR(10) NOT NULL DEFAULT '',
  MODI_DATE VARCHAR(17) NOT NULL DEFAULT '',
  FLAG DOUBLE PRECISION NOT NULL DEFAULT 1,
  PRIMARY KEY (MS001, MS002)
);

-- The message catalogue: type letter and six-digit code to a text with
-- printf placeholders.
-- pellor: shared
CREATE TABLE ADMMG (
  MG001 VARCHAR(1) NOT NULL,                    -- type letter
  MG002 VARCHAR(6) NOT NULL,                    -- code
  MG003 VARCHAR(255) NOT NULL DEFAULT '',       -- text
  COMPANY VARCHAR(10) NOT NULL DEFAULT '',
  CREATOR VARCHAR(10) NOT NULL DEFAULT '',
  USR_GROUP VARCHAR(10) NOT NULL DEFAULT '',
  CREATE_DATE VARCHAR(17) NOT NULL DEFAULT '',
  MODIFIER VARCHAR(10) NOT NULL DEFAULT '',
  MODI_DATE VARCHAR(17) NOT NULL DEFAULT '',
  FLAG DOUBLE PRECISION NOT NULL DEFAULT 1,
  PRIMARY KEY (MG001, MG002)
);

-- System parameters of a company ("SYS001", "sys068", "QRN002" ...).
CREATE TABLE ADMMP (
  MP001 VARCHAR(10) NOT NULL,                   -- parameter name
  MP002 VARCHAR(60) NOT NULL DEFAULT '',        -- value
  MP003 VARCHAR(60) NOT NULL DEFAULT '',        -- description
  COMPANY VARCHAR(10) NOT NULL,
  CREATOR VARCHAR(10) NOT NULL DEFAULT '',
  USR_GROUP VARCHAR(10) NOT NULL DEFAULT '',
  CREATE_DATE VARCHAR(17) NOT NULL DEFAULT '',
  MODIFIER VARCHAR(10) NOT NULL DEFAULT '',
  MODI_DATE VARCHAR(17) NOT NULL DEFAULT '',
  FLAG DOUBLE PRECISION NOT NULL DEFAULT 1,
  PRIMARY KEY (COMPANY, MP001)
);

-- Per-user settings documents (MT_User) of a program; the row of the empty
-- user is the program's default for everyone.
CREATE TABLE ADMMT (
  MT001 VARCHAR(10) NOT NULL DEFAULT '',        -- user ID, empty for all users
  MT002 VARCHAR(20) NOT NULL,                   -- program ID
  MT003 TEXT NOT NULL DEFAULT '',               -- the XML document
  COMPANY VARCHAR(10) NOT NULL,
  CREATOR VARCHAR(10) NOT NULL DEFAULT '',
  USR_GROUP VARCHAR(10) NOT NULL DEFAULT '',
  CREATE_DATE VARCHAR(17) NOT NULL DEFAULT '',
  MODIFIER VARCHAR(10) NOT NULL DEFAULT '',
  MODI_DATE VARCHAR(17) NOT NULL DEFAULT '',
  FLAG DOUBLE PRECISION NOT NULL DEFAULT 1,
  PRIMARY KEY (COMPANY, MT001, MT002)
);

-- Per-user options: one XML document per user, program (or twenty
-- asterisks for all programs) and key ("InputSettings001",
-- "NumberFieldsSetting" ...).
CREATE TABLE ADMMU (
  MU001 VARCHAR(10) NOT NULL,                   -- user ID
  MU002 VARCHAR(20) NOT NULL,                   -- program ID or ********************
  MU003 VARCHAR(60) NOT NULL,                   -- key
  MU004 TEXT NOT NULL DEFAULT '',               -- the XML document of the key
  COMPANY VARCHAR(10) NOT NULL,
  CREATOR VARCHAR(10) NOT NULL DEFAULT '',
  USR_GROUP VARCHAR(10) NOT NULL DEFAULT '',
  CREATE_DATE VARCHAR(17) NOT NULL DEFAULT '',
  MODIFIER VARCHAR(10) NOT NULL DEFAULT '',
  MODI_DATE VARCHAR(17) NOT NULL DEFAULT '',
  FLAG DOUBLE PRECISION NOT NULL DEFAULT 1,
  PRIMARY KEY (COMPANY, MU001, MU002, MU003)
);

-- Saved query conditions, one set per user (CREATOR) and program; the
-- column names are those of the saved-condition dataset.
CREATE TABLE DOCUS (
  NCONDITION VARCHAR(20) NOT NULL,              -- the condition's name
  PROGRAMME VARCHAR(20) NOT NULL,               -- program ID
  VCONDITION TEXT NOT NULL DEFAULT '',          -- the condition text
  ActivePage INTEGER NOT NULL DEFAULT 0,        -- dialog tab: 0 grid, 1 free, 2 detail
  COMPANY VARCHAR(10) NOT NULL,
  CREATOR VARCHAR(10) NOT NULL,
  USR_GROUP VARCHAR(10) NOT NULL DEFAULT '',
  CREATE_DATE VARCHAR(17) NOT NULL DEFAULT '',
  MODIFIER VARCHAR(10) NOT NULL DEFAULT '',
  MODI_DATE VARCHAR(17) NOT NULL DEFAULT '',
  FLAG DOUBLE PRECISION NOT NULL DEFAULT 1,
  PRIMARY KEY (COMPANY, NCONDITION, CREATOR, PROGRAMME)
);

-- Colour definitions (the colormanager document) per program.
CREATE TABLE ADMNH (
  NH001 VARCHAR(20) NOT NULL,                   -- program ID, upper case
  NH002 VARCHAR(60) NOT NULL DEFAULT '',        -- description
  NH003 TEXT NOT NULL DEFAULT '',               -- the XML document
  COMPANY VARCHAR(10) NOT NULL,
  CREATOR VARCHAR(10) NOT NULL DEFAULT '',
  USR_GROUP VARCHAR(10) NOT NULL DEFAULT '',
  CREATE_DATE VARCHAR(17) NOT NULL DEFAULT '',
  MODIFIER VARCHAR(10) NOT NULL DEFAULT '',
  MODI_DATE VARCHAR(17) NOT NULL DEFAULT '',
  FLAG DOUBLE PRECISION NOT NULL DEFAULT 1,
  PRIMARY KEY (COMPANY, NH001)
);

-- Grid links: a click on a source field opens a target program filtered on
-- the target fields.
CREATE TABLE ADMMR (
  MR001 VARCHAR(20) NOT NULL,                   -- program ID
  MR002 VARCHAR(10) NOT NULL DEFAULT '',        -- link kind
  MR003 VARCHAR(10) NOT NULL DEFAULT '',        -- discriminating field
  MR004 VARCHAR(10) NOT NULL DEFAULT '',        -- source field 1
  MR005 VARCHAR(10) NOT NULL DEFAULT '',        -- source field 2
  MR006 VARCHAR(20) NOT NULL DEFAULT '',        -- target program
  MR007 VARCHAR(60) NOT NULL DEFAULT '',        -- target field 1
  MR008 VARCHAR(60) NOT NULL DEFAULT '',        -- target field 2
  MR009 VARCHAR(5) NOT NULL DEFAULT '',         -- separator
  MR010 VARCHAR(20) NOT NULL DEFAULT '',        -- discriminating value
  MR011 INTEGER NOT NULL,                       -- order
  COMPANY VARCHAR(10) NOT NULL,
  CREATOR VARCHAR(10) NOT NULL DEFAULT '',
  USR_GROUP VARCHAR(10) NOT NULL DEFAULT '',
  CREATE_DATE VARCHAR(17) NOT NULL DEFAULT '',
  MODIFIER VARCHAR(10) NOT NULL DEFAULT '',
  MODI_DATE VARCHAR(17) NOT NULL DEFAULT '',
  FLAG DOUBLE PRECISION NOT NULL DEFAULT 1,
  PRIMARY KEY (COMPANY, MR001, MR011)
);

-- User-defined field settings: sets (ADMTK) of lines (ADMTL); a line names
-- the user field, the related fields and the value query computing it.
CREATE TABLE ADMTK (
  TK001 VARCHAR(20) NOT NULL,                   -- set ID
  TK002 VARCHAR(60) NOT NULL DEFAULT '',        -- description
  TK003 VARCHAR(1) NOT NULL DEFAULT 'Y',        -- in force: Y
  COMPANY VARCHAR(10) NOT NULL,
  CREATOR VARCHAR(10) NOT NULL DEFAULT '',
  USR_GROUP VARCHAR(10) NOT NULL DEFAULT '',
  CREATE_DATE VARCHAR(17) NOT NULL DEFAULT '',
  MODIFIER VARCHAR(10) NOT NULL DEFAULT '',
  MODI_DATE VARCHAR(17) NOT NULL DEFAULT '',
  FLAG DOUBLE PRECISION NOT NULL DEFAULT 1,
  PRIMARY KEY (COMPANY, TK001)
);

CREATE TABLE ADMTL (
  TL001 VARCHAR(20) NOT NULL,                   -- set ID
  TL002 INTEGER NOT NULL,                       -- line number
  TL003 VARCHAR(20) NOT NULL DEFAULT '',        -- program ID
  TL004 VARCHAR(20) NOT NULL DEFAULT '',        -- table name
  TL005 VARCHAR(3) NOT NULL DEFAULT '',         -- kind, for example Z01
  TL006 VARCHAR(10) NOT NULL DEFAULT '',        -- the user field
  TL007 VARCHAR(60) NOT NULL DEFAULT '',        -- description
  TL010 VARCHAR(1) NOT NULL DEFAULT 'Y',        -- in force: Y
  TL011 INTEGER NOT NULL DEFAULT 0,             -- order
  TL012 VARCHAR(255) NOT NULL DEFAULT '',       -- related fields TABLE.FIELD; ...
  TL013 VARCHAR(20) NOT NULL DEFAULT '',        -- value query name (ADMTQ)
  COMPANY VARCHAR(10) NOT NULL,
  CREATOR VARCHAR(10) NOT NULL DEFAULT '',
  USR_GROUP VARCHAR(10) NOT NULL DEFAULT '',
  CREATE_DATE VARCHAR(17) NOT NULL DEFAULT '',
  MODIFIER VARCHAR(10) NOT NULL DEFAULT '',
  MODI_DATE VARCHAR(17) NOT NULL DEFAULT '',
  FLAG DOUBLE PRECISION NOT NULL DEFAULT 1,
  PRIMARY KEY (COMPANY, TL001, TL002)
);

-- Named value queries of user-defined fields: a SELECT whose "?" take the
-- related values in order and whose first column of the first row is the
-- value.
CREATE TABLE ADMTQ (
  TQ001 VARCHAR(20) NOT NULL,                   -- query name
  TQ002 VARCHAR(60) NOT NULL DEFAULT '',        -- description
  TQ003 TEXT NOT NULL DEFAULT '',               -- the SELECT
  TQ004 INTEGER NOT NULL DEFAULT 0,             -- number of values it takes
  COMPANY VARCHAR(10) NOT NULL,
  CREATOR VARCHAR(10) NOT NULL DEFAULT '',
  USR_GROUP VARCHAR(10) NOT NULL DEFAULT '',
  CREATE_DATE VARCHAR(17) NOT NULL DEFAULT '',
  MODIFIER VARCHAR(10) NOT NULL DEFAULT '',
  MODI_DATE VARCHAR(17) NOT NULL DEFAULT '',
  FLAG DOUBLE PRECISION NOT NULL DEFAULT 1,
  PRIMARY KEY (COMPANY, TQ001)
);

-- Labels of user-defined fields per table (check kind "03" answers MD002,
-- MD003, MD004).
CREATE TABLE ADMMD (
  MD001 VARCHAR(20) NOT NULL,                   -- table name
  MD002 VARCHAR(10) NOT NULL,                   -- field name
  MD003 VARCHAR(30) NOT NULL DEFAULT '',        -- label, Chinese
  MD004 VARCHAR(30) NOT NULL DEFAULT '',        -- label, English
  COMPANY VARCHAR(10) NOT NULL,
  CREATOR VARCHAR(10) NOT NULL DEFAULT '',
  USR_GROUP VARCHAR(10) NOT NULL DEFAULT '',
  CREATE_DATE VARCHAR(17) NOT NULL DEFAULT '',
  MODIFIER VARCHAR(10) NOT NULL DEFAULT '',
  MODI_DATE VARCHAR(17) NOT NULL DEFAULT '',
  FLAG DOUBLE PRECISION NOT NULL DEFAULT 1,
  PRIMARY KEY (COMPANY, MD001, MD002)
);

-- Number ranges of numeric fields: total and decimal digits.
CREATE TABLE NUMFD (
  FD001 VARCHAR(20) NOT NULL,                   -- field name
  FD002 INTEGER NOT NULL DEFAULT 0,             -- total digits
  FD003 INTEGER NOT NULL DEFAULT 0,             -- decimal digits
  FD004 VARCHAR(60) NOT NULL DEFAULT '',        -- description
  COMPANY VARCHAR(10) NOT NULL,
  CREATOR VARCHAR(10) NOT NULL DEFAULT '',
  USR_GROUP VARCHAR(10) NOT NULL DEFAULT '',
  CREATE_DATE VARCHAR(17) NOT NULL DEFAULT '',
  MODIFIER VARCHAR(10) NOT NULL DEFAULT '',
  MODI_DATE VARCHAR(17) NOT NULL DEFAULT '',
  FLAG DOUBLE PRECISION NOT NULL DEFAULT 1,
  PRIMARY KEY (COMPANY, FD001)
);

-- Currencies and their decimals.
CREATE TABLE CMSMF (
  MF001 VARCHAR(4) NOT NULL,                    -- currency code
  MF002 VARCHAR(20) NOT NULL DEFAULT '',        -- name
  MF003 INTEGER NOT NULL DEFAULT 2,             -- price decimals
  MF004 INTEGER NOT NULL DEFAULT 2,             -- amount decimals
  MF005 INTEGER NOT NULL DEFAULT 2,             -- unit cost decimals
  MF006 INTEGER NOT NULL DEFAULT 2,             -- cost amount decimals
  COMPANY VARCHAR(10) NOT NULL,
  CREATOR VARCHAR(10) NOT NULL DEFAULT '',
  USR_GROUP VARCHAR(10) NOT NULL DEFAULT '',
  CREATE_DATE VARCHAR(17) NOT NULL DEFAULT '',
  MODIFIER VARCHAR(10) NOT NULL DEFAULT '',
  MODI_DATE VARCHAR(17) NOT NULL DEFAULT '',
  FLAG DOUBLE PRECISION NOT NULL DEFAULT 1,
  PRIMARY KEY (COMPANY, MF001)
);

-- Voucher (print) formats; NT001 holds the program alias.
CREATE TABLE WARRANT (
  NT001 VARCHAR(20) NOT NULL,                   -- format key, containing the program alias
  NT002 VARCHAR(60) NOT NULL,                   -- format name
  NT003 TEXT NOT NULL DEFAULT '',               -- format definition
  COMPANY VARCHAR(10) NOT NULL,
  CREATOR VARCHAR(10) NOT NULL DEFAULT '',
  USR_GROUP VARCHAR(10) NOT NULL DEFAULT '',
  CREATE_DATE VARCHAR(17) NOT NULL DEFAULT '',
  MODIFIER VARCHAR(10) NOT NULL DEFAULT '',
  MODI_DATE VARCHAR(17) NOT NULL DEFAULT '',
  FLAG DOUBLE PRECISION NOT NULL DEFAULT 1,
  PRIMARY KEY (COMPANY, NT001, NT002)
);

-- Attachments of records; KeyValues is the record's key values joined
-- with "||".
CREATE TABLE ATTACH (
  Parent VARCHAR(20) NOT NULL,                  -- program ID
  CompanyID VARCHAR(10) NOT NULL DEFAULT '',
  KeyValues VARCHAR(255) NOT NULL,
  SeqNo INTEGER NOT NULL,
  KeyFields VARCHAR(255) NOT NULL DEFAULT '',
  UserID VARCHAR(10) NOT NULL DEFAULT '',
  Type VARCHAR(10) NOT NULL DEFAULT '',
  FileName VARCHAR(255) NOT NULL DEFAULT '',
  DocID VARCHAR(20) NOT NULL DEFAULT '',
  Revision INTEGER NOT NULL DEFAULT 1,
  AddDate VARCHAR(8) NOT NULL DEFAULT '',
  AddTime VARCHAR(6) NOT NULL DEFAULT '',
  COMPANY VARCHAR(10) NOT NULL,
  CREATOR VARCHAR(10) NOT NULL DEFAULT '',
  USR_GROUP VARCHAR(10) NOT NULL DEFAULT '',
  CREATE_DATE VARCHAR(17) NOT NULL DEFAULT '',
  MODIFIER VARCHAR(10) NOT NULL DEFAULT '',
  MODI_DATE VARCHAR(17) NOT NULL DEFAULT '',
  FLAG DOUBLE PRECISION NOT NULL DEFAULT 1,
  PRIMARY KEY (COMPANY, Parent, KeyValues, SeqNo)
);

-- Look-up links of user-field editors: kind and the two parts of a
-- RefFileID to the look-up table and query kind (check kind "01" answers
-- LK004, LK005).
CREATE TABLE F2LINK (
  LK001 VARCHAR(1) NOT NULL,                    -- kind
  LK002 VARCHAR(20) NOT NULL,                   -- definition, part 1
  LK003 VARCHAR(20) NOT NULL DEFAULT '',        -- definition, part 2
  LK004 VARCHAR(20) NOT NULL DEFAULT '',        -- look-up table
  LK005 VARCHAR(10) NOT NULL DEFAULT '',        -- query kind
  LK006 VARCHAR(60) NOT NULL DEFAULT '',        -- description
  COMPANY VARCHAR(10) NOT NULL,
  CREATOR VARCHAR(10) NOT NULL DEFAULT '',
  USR_GROUP VARCHAR(10) NOT NULL DEFAULT '',
  CREATE_DATE VARCHAR(17) NOT NULL DEFAULT '',
  MODIFIER VARCHAR(10) NOT NULL DEFAULT '',
  MODI_DATE VARCHAR(17) NOT NULL DEFAULT '',
  FLAG DOUBLE PRECISION NOT NULL DEFAULT 1,
  PRIMARY KEY (COMPANY, LK001, LK002, LK003)
);

-- Common phrases offered by the phrase look-up; an empty user means all.
CREATE TABLE ADMPH (
  PH001 VARCHAR(10) NOT NULL DEFAULT '',        -- user ID, empty for all users
  PH002 INTEGER NOT NULL,                       -- sequence
  PH003 VARCHAR(255) NOT NULL DEFAULT '',       -- phrase
  COMPANY VARCHAR(10) NOT NULL,
  CREATOR VARCHAR(10) NOT NULL DEFAULT '',
  USR_GROUP VARCHAR(10) NOT NULL DEFAULT '',
  CREATE_DATE VARCHAR(17) NOT NULL DEFAULT '',
  MODIFIER VARCHAR(10) NOT NULL DEFAULT '',
  MODI_DATE VARCHAR(17) NOT NULL DEFAULT '',
  FLAG DOUBLE PRECISION NOT NULL DEFAULT 1,
  PRIMARY KEY (COMPANY, PH001, PH002)
);

-- Type settings of programs (two alternative tables).
CREATE TABLE ADMMQ (
  MQ001 VARCHAR(20) NOT NULL,
  MQ002 VARCHAR(20) NOT NULL,                   -- sub key, **** for all
  MQ003 VARCHAR(60) NOT NULL DEFAULT '',        -- setting
  MQ004 VARCHAR(20) NOT NULL DEFAULT '',        -- in force since
  COMPANY VARCHAR(10) NOT NULL,
  CREATOR VARCHAR(10) NOT NULL DEFAULT '',
  USR_GROUP VARCHAR(10) NOT NULL DEFAULT '',
  CREATE_DATE VARCHAR(17) NOT NULL DEFAULT '',
  MODIFIER VARCHAR(10) NOT NULL DEFAULT '',
  MODI_DATE VARCHAR(17) NOT NULL DEFAULT '',
  FLAG DOUBLE PRECISION NOT NULL DEFAULT 1,
  PRIMARY KEY (COMPANY, MQ001, MQ002)
);

CREATE TABLE EFSMC (
  MC001 VARCHAR(20) NOT NULL,
  MC002 VARCHAR(20) NOT NULL,                   -- sub key, **** for all
  MC003 VARCHAR(60) NOT NULL DEFAULT '',        -- description
  MC006 VARCHAR(60) NOT NULL DEFAULT '',        -- setting
  MC009 VARCHAR(20) NOT NULL DEFAULT '',        -- in force since
  COMPANY VARCHAR(10) NOT NULL,
  CREATOR VARCHAR(10) NOT NULL DEFAULT '',
  USR_GROUP VARCHAR(10) NOT NULL DEFAULT '',
  CREATE_DATE VARCHAR(17) NOT NULL DEFAULT '',
  MODIFIER VARCHAR(10) NOT NULL DEFAULT '',
  MODI_DATE VARCHAR(17) NOT NULL DEFAULT '',
  FLAG DOUBLE PRECISION NOT NULL DEFAULT 1,
  PRIMARY KEY (COMPANY, MC001, MC002)
);

-- Masters of the code look-ups: customers, suppliers, cost centres, items
-- and their bar codes.
CREATE TABLE COPMA (
  MA001 VARCHAR(10) NOT NULL,                   -- customer code
  MA002 VARCHAR(20) NOT NULL DEFAULT '',        -- short name
  MA003 VARCHAR(60) NOT NULL DEFAULT '',        -- full name
  MA004 VARCHAR(20) NOT NULL DEFAULT '',        -- contact
  COMPANY VARCHAR(10) NOT NULL,
  CREATOR VARCHAR(10) NOT NULL DEFAULT '',
  USR_GROUP VARCHAR(10) NOT NULL DEFAULT '',
  CREATE_DATE VARCHAR(17) NOT NULL DEFAULT '',
  MODIFIER VARCHAR(10) NOT NULL DEFAULT '',
  MODI_DATE VARCHAR(17) NOT NULL DEFAULT '',
  FLAG DOUBLE PRECISION NOT NULL DEFAULT 1,
  PRIMARY KEY (COMPANY, MA001)
);

CREATE TABLE PURMA (
  MA001 VARCHAR(10) NOT NULL,                   -- supplier code
  MA002 VARCHAR(20) NOT NULL DEFAULT '',        -- short name
  MA003 VARCHAR(60) NOT NULL DEFAULT '',        -- full name
  MA004 VARCHAR(20) NOT NULL DEFAULT '',        -- contact
  COMPANY VARCHAR(10) NOT NULL,
  CREATOR VARCHAR(10) NOT NULL DEFAULT '',
  USR_GROUP VARCHAR(10) NOT NULL DEFAULT '',
  CREATE_DATE VARCHAR(17) NOT NULL DEFAULT '',
  MODIFIER VARCHAR(10) NOT NULL DEFAULT '',
  MODI_DATE VARCHAR(17) NOT NULL DEFAULT '',
  FLAG DOUBLE PRECISION NOT NULL DEFAULT 1,
  PRIMARY KEY (COMPANY, MA001)
);

CREATE TABLE ACTMA (
  MA001 VARCHAR(10) NOT NULL,                   -- cost centre code
  MA002 VARCHAR(30) NOT NULL DEFAULT '',        -- name
  MA003 VARCHAR(1) NOT NULL DEFAULT '1',        -- kind: 1 department, 2 workshop
  COMPANY VARCHAR(10) NOT NULL,
  CREATOR VARCHAR(10) NOT NULL DEFAULT '',
  USR_GROUP VARCHAR(10) NOT NULL DEFAULT '',
  CREATE_DATE VARCHAR(17) NOT NULL DEFAULT '',
  MODIFIER VARCHAR(10) NOT NULL DEFAULT '',
  MODI_DATE VARCHAR(17) NOT NULL DEFAULT '',
  FLAG DOUBLE PRECISION NOT NULL DEFAULT 1,
  PRIMARY KEY (COMPANY, MA001)
);

CREATE TABLE INVMB (
  MB001 VARCHAR(20) NOT NULL,                   -- item code
  MB002 VARCHAR(60) NOT NULL DEFAULT '',        -- name
  MB003 VARCHAR(60) NOT NULL DEFAULT '',        -- model and size
  MB004 VARCHAR(6) NOT NULL DEFAULT '',         -- unit
  COMPANY VARCHAR(10) NOT NULL,
  CREATOR VARCHAR(10) NOT NULL DEFAULT '',
  USR_GROUP VARCHAR(10) NOT NULL DEFAULT '',
  CREATE_DATE VARCHAR(17) NOT NULL DEFAULT '',
  MODIFIER VARCHAR(10) NOT NULL DEFAULT '',
  MODI_DATE VARCHAR(17) NOT NULL DEFAULT '',
  FLAG DOUBLE PRECISION NOT NULL DEFAULT 1,
  PRIMARY KEY (COMPANY, MB001)
);

CREATE TABLE INVMH (
  MH001 VARCHAR(30) NOT NULL,                   -- bar code
  MH002 VARCHAR(20) NOT NULL DEFAULT '',        -- item code
  COMPANY VARCHAR(10) NOT NULL,
  CREATOR VARCHAR(10) NOT NULL DEFAULT '',
  USR_GROUP VARCHAR(10) NOT NULL DEFAULT '',
  CREATE_DATE VARCHAR(17) NOT NULL DEFAULT '',
  MODIFIER VARCHAR(10) NOT NULL DEFAULT '',
  MODI_DATE VARCHAR(17) NOT NULL DEFAULT '',
  FLAG DOUBLE PRECISION NOT NULL DEFAULT 1,
  PRIMARY KEY (COMPANY, MH001)
);

-- Base-data permission ----------------------------------------------------
-- A user whose rights row for a program (ADMMF, chosen as for the rights)
-- has BaseLimited (MF006) 'Y' may work only on the rows of a table that
-- meet the condition of the first of these rows for that table: the user's
-- own row, else the primary group's, else another group's. A table without
-- such a row is not limited. The condition is SQL in the suite's dialect
-- over the table's columns, run like any client condition.
CREATE TABLE ADMBL (
  BL001 VARCHAR(10) NOT NULL,                   -- user or group ID
  BL002 VARCHAR(1) NOT NULL,                    -- U user, G group
  BL003 VARCHAR(20) NOT NULL,                   -- table name
  BL004 TEXT NOT NULL DEFAULT '',               -- condition on the rows permitted
  BL005 VARCHAR(60) NOT NULL DEFAULT '',        -- description
  COMPANY VARCHAR(10) NOT NULL,
  CREATOR VARCHAR(10) NOT NULL DEFAULT '',
  USR_GROUP VARCHAR(10) NOT NULL DEFAULT '',
  CREATE_DATE VARCHAR(17) NOT NULL DEFAULT '',
  MODIFIER VARCHAR(10) NOT NULL DEFAULT '',
  MODI_DATE VARCHAR(17) NOT NULL DEFAULT '',
  FLAG DOUBLE PRECISION NOT NULL DEFAULT 1,
  PRIMARY KEY (COMPANY, BL001, BL002, BL003)
);

-- Documents (drawings, specifications) kept by the document server; the
-- validator finds them by number (check kind "07") or by the item they
-- describe (INVMB, check kind "12"), newest version first.
CREATE TABLE CMSMV (
  MV001 VARCHAR(20) NOT NULL,                   -- document number
  MV002 VARCHAR(4) NOT NULL,                    -- version
  MV003 VARCHAR(60) NOT NULL DEFAULT '',        -- title
  MV004 VARCHAR(255) NOT NULL DEFAULT '',       -- file name
  MV005 VARCHAR(20) NOT NULL DEFAULT '',        -- item code (INVMB) it describes, empty for none
  COMPANY VARCHAR(10) NOT NULL,
  CREATOR VARCHAR(10) NOT NULL DEFAULT '',
  USR_GROUP VARCHAR(10) NOT NULL DEFAULT '',
  CREATE_DATE VARCHAR(17) NOT NULL DEFAULT '',
  MODIFIER VARCHAR(10) NOT NULL DEFAULT '',
  MODI_DATE VARCHAR(17) NOT NULL DEFAULT '',
  FLAG DOUBLE PRECISION NOT NULL DEFAULT 1,
  PRIMARY KEY (COMPANY, MV001, MV002)
);
CREATE INDEX CMSMV_ITEM ON CMSMV (COMPANY, MV005);
