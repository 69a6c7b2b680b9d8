-- Fee-standard database (Data/GL.mgl in the host folder): the charge bands that the design fee
-- and the survey fee are read from. Run into an empty file, it rebuilds GL_FYFile from scratch.
--
-- GL_FYFile, one row per charge band:
--
--   column  design bands (LX 4)                     survey bands (LX 1 and LX 2)
--   ------  --------------------------------------  ----------------------------------------------
--   LX      4                                       2 conduit, 1 cable and line routes
--   XM      name of the scale                       survey type, matched exactly by the form
--   QS      lower limit, exclusive, in 10,000 yuan  lower limit, exclusive, in km
--   ZZ      upper limit, inclusive, in 10,000 yuan  upper limit, inclusive, in km
--           (0 = no upper limit)                    (0 = no upper limit)
--   SFJJ    charge at ZZ, in 10,000 yuan           base charge at QS in yuan (in the first band
--           (open band: rate in per cent)           the whole charge)
--   NCZ     0                                       yuan per km beyond QS
--   FL      0                                       multiplier of the band's charge (0 = none)
--
-- A value x lies in a band when QS < x and, unless ZZ is 0, x <= ZZ. Bands of one scale must not
-- overlap, because the lookup takes the first matching row without ordering.
-- The design fee interpolates between the previous band's SFJJ (the charge at this band's QS) and
-- this band's SFJJ, so every design band's QS must equal the ZZ of the band before it.

DROP TABLE IF EXISTS GL_FYFile;

CREATE TABLE GL_FYFile (
  LX INTEGER,
  XM TEXT,
  QS REAL,
  ZZ REAL,
  SFJJ REAL,
  NCZ REAL,
  FL REAL
);

CREATE INDEX GL_FYFile_LX ON GL_FYFile (LX, XM);

-- Design charge: the public base-price table for engineering design charges, by the project's
-- construction-and-installation amount. Above 200 million yuan (2000000 in 10,000 yuan) the charge
-- is 1.6 per cent of the amount.
INSERT INTO GL_FYFile (LX, XM, QS, ZZ, SFJJ, NCZ, FL) VALUES
  (4, '工程设计收费基价', 0, 200, 9, 0, 0),
  (4, '工程设计收费基价', 200, 500, 20.9, 0, 0),
  (4, '工程设计收费基价', 500, 1000, 38.8, 0, 0),
  (4, '工程设计收费基价', 1000, 3000, 103.8, 0, 0),
  (4, '工程设计收费基价', 3000, 5000, 163.9, 0, 0),
  (4, '工程设计收费基价', 5000, 8000, 249.6, 0, 0),
  (4, '工程设计收费基价', 8000, 10000, 304.8, 0, 0),
  (4, '工程设计收费基价', 10000, 20000, 566.8, 0, 0),
  (4, '工程设计收费基价', 20000, 40000, 1054, 0, 0),
  (4, '工程设计收费基价', 40000, 60000, 1515.2, 0, 0),
  (4, '工程设计收费基价', 60000, 80000, 1960.1, 0, 0),
  (4, '工程设计收费基价', 80000, 100000, 2393.4, 0, 0),
  (4, '工程设计收费基价', 100000, 200000, 4450.8, 0, 0),
  (4, '工程设计收费基价', 200000, 400000, 8276.7, 0, 0),
  (4, '工程设计收费基价', 400000, 600000, 11897.5, 0, 0),
  (4, '工程设计收费基价', 600000, 800000, 15391.4, 0, 0),
  (4, '工程设计收费基价', 800000, 1000000, 18793.8, 0, 0),
  (4, '工程设计收费基价', 1000000, 2000000, 34948.9, 0, 0),
  (4, '工程设计收费基价', 2000000, 0, 1.6, 0, 0);

-- Survey charge. EXAMPLE FIGURES of our own, not an official table: replace them with the
-- scale your organisation applies before using the survey fee for real settlements.
--
-- Every scale starts with a band of up to 1 km that charges a flat sum, with a short-route
-- surcharge FL. The next band starts from that surcharged sum, and every band after it starts
-- where the one before ends, so the charge never jumps at a band limit:
--   charge(x) = SFJJ + NCZ * (x - QS), times FL when FL is not 0.
--
--   通信管道 (conduit)               km     charge at ZZ
--     0 - 1     3000 * 1.1           1      3300
--     1 - 5     3300 + 2400/km       5      12900
--     5 - 20    12900 + 1800/km      20     39900
--     20 - 50   39900 + 1400/km      50     81900
--     50 - 100  81900 + 1100/km      100    136900
--     100 -     136900 + 900/km      open
INSERT INTO GL_FYFile (LX, XM, QS, ZZ, SFJJ, NCZ, FL) VALUES
  (2, '通信管道', 0, 1, 3000, 0, 1.1),
  (2, '通信管道', 1, 5, 3300, 2400, 0),
  (2, '通信管道', 5, 20, 12900, 1800, 0),
  (2, '通信管道', 20, 50, 39900, 1400, 0),
  (2, '通信管道', 50, 100, 81900, 1100, 0),
  (2, '通信管道', 100, 0, 136900, 900, 0);

--   埋式光(电)缆长途架空光(电)线路 (long-distance buried cable and aerial lines)
--     0 - 1     2000 * 1.2           1      2400
--     1 - 5     2400 + 1600/km       5      8800
--     5 - 20    8800 + 1300/km       20     28300
--     20 - 50   28300 + 1000/km      50     58300
--     50 - 200  58300 + 800/km       200    178300
--     200 -     178300 + 650/km      open
INSERT INTO GL_FYFile (LX, XM, QS, ZZ, SFJJ, NCZ, FL) VALUES
  (1, '埋式光(电)缆长途架空光(电)线路', 0, 1, 2000, 0, 1.2),
  (1, '埋式光(电)缆长途架空光(电)线路', 1, 5, 2400, 1600, 0),
  (1, '埋式光(电)缆长途架空光(电)线路', 5, 20, 8800, 1300, 0),
  (1, '埋式光(电)缆长途架空光(电)线路', 20, 50, 28300, 1000, 0),
  (1, '埋式光(电)缆长途架空光(电)线路', 50, 200, 58300, 800, 0),
  (1, '埋式光(电)缆长途架空光(电)线路', 200, 0, 178300, 650, 0);

--   市内架空光电缆线路 (local aerial cable lines)
--     0 - 1     2500 * 1.1           1      2750
--     1 - 5     2750 + 2000/km       5      10750
--     5 - 20    10750 + 1500/km      20     33250
--     20 - 50   33250 + 1200/km      50     69250
--     50 -      69250 + 950/km       open
INSERT INTO GL_FYFile (LX, XM, QS, ZZ, SFJJ, NCZ, FL) VALUES
  (1, '市内架空光电缆线路', 0, 1, 2500, 0, 1.1),
  (1, '市内架空光电缆线路', 1, 5, 2750, 2000, 0),
  (1, '市内架空光电缆线路', 5, 20, 10750, 1500, 0),
  (1, '市内架空光电缆线路', 20, 50, 33250, 1200, 0),
  (1, '市内架空光电缆线路', 50, 0, 69250, 950, 0);
