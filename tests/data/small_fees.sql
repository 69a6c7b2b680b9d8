-- A small fee standard for the scenario tests: few bands, round figures, each band chosen for the
-- figures the tests check. Same table as data/fee_standard.sql (see the column table there).
-- These are test figures, not a real scale: the real design table's first band is 0-200 with
-- SFJJ 9, this one's is 0-100 with SFJJ 5.
--
-- Design bands (LX 4, amounts in 10,000 yuan, fee expression evaluated with the factor 0.85):
--   0 - 100      SFJJ 5      1000000 yuan (v = 100, on the upper limit, so still this band):
--                              1000000*50000/1000000*0.85 = 42500
--                            500000 yuan (v = 50, first band, proportional):
--                              500000*50000/1000000*0.85 = 21250
--   100 - 500    SFJJ 20     3000000 yuan (v = 300): P = 50000, S = 200000, slope 0.0375
--                              (50000+0.0375*(3000000-1000000))*0.85 = 106250
--                              (0.85 scales the whole fee, so the fee is continuous at 100),
--                              with coefficient 45: 47812.50
--                            5000000 yuan (v = 500, on the upper limit):
--                              (50000+0.0375*(5000000-1000000))*0.85 = 170000
--   500 -        1.6 (%)     open band, rate 1.6 per cent of the whole amount, e.g. 6000000 yuan:
--                              6000000*1.6/100*0.85 = 81600
--
-- Survey bands (lengths in km, charges in yuan):
--   通信管道 (LX 2)
--     0 - 10     1000               5 km: 1000 (flat, whatever the length), 10 km: 1000
--     10 - 50    1500 + 300/km      12.5 km: 1500+300*(12.5-10) = 2250, one-stage 1800,
--                                     one-stage with coefficient 45: 810.00
--                                   50 km (on the upper limit): 1500+300*(50-10) = 13500
--     50 -       13500 + 200/km,    60 km: (13500+200*(60-50))*1.2 = 18600
--                times 1.2
--   埋式光(电)缆长途架空光(电)线路 (LX 1)
--     0 - 5      800 times 1.5      3 km: 800*1.5 = 1200
--     5 -        800 + 100/km       8 km: 800+100*(8-5) = 1100
--   市内架空光电缆线路 (LX 1)
--     0 - 5      600                3 km: 600 (FL 0 means no multiplier, not a zero fee)
--     5 - 20     600 + 120/km       8 km: 600+120*(8-5) = 960 (same length and LX as above,
--                                     another scale), 25 km: no band, fee 0.00

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

INSERT INTO GL_FYFile (LX, XM, QS, ZZ, SFJJ, NCZ, FL) VALUES
  (4, '工程设计收费基价', 0, 100, 5, 0, 0),
  (4, '工程设计收费基价', 100, 500, 20, 0, 0),
  (4, '工程设计收费基价', 500, 0, 1.6, 0, 0);

INSERT INTO GL_FYFile (LX, XM, QS, ZZ, SFJJ, NCZ, FL) VALUES
  (2, '通信管道', 0, 10, 1000, 0, 0),
  (2, '通信管道', 10, 50, 1500, 300, 0),
  (2, '通信管道', 50, 0, 13500, 200, 1.2);

INSERT INTO GL_FYFile (LX, XM, QS, ZZ, SFJJ, NCZ, FL) VALUES
  (1, '埋式光(电)缆长途架空光(电)线路', 0, 5, 800, 0, 1.5),
  (1, '埋式光(电)缆长途架空光(电)线路', 5, 0, 800, 100, 0);

INSERT INTO GL_FYFile (LX, XM, QS, ZZ, SFJJ, NCZ, FL) VALUES
  (1, '市内架空光电缆线路', 0, 5, 600, 0, 0),
  (1, '市内架空光电缆线路', 5, 20, 600, 120, 0);
