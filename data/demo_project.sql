-- Demo project: the budget of a small telecom construction project (a conduit section and a cable
-- line section) in its three versions, submitted by the contractor (SGHJFY), first reviewed by the
-- owner (SHHJFY) and determined by the auditor (HJFY). Run after project_schema.sql.
-- It replaces the budget data but keeps the form's saved fields (G_GCCS rows with GCID -1).
--
-- How the figures hang together, per version (yuan):
--                                  submitted      first review    audited
--   construction fee before        1240000        1196800         1163000
--     discount (施工费)
--   折扣后施工费 (x 0.9, 2 rows)     1116000        1077120         1046700
--   self-purchased materials YGCL  1198650.8      1164320.5       1141876.3
--   辅助材料费 (3 % of YGCL)         35959.52       34929.62        34256.29
--   税金 (9 %, 2 rows)              211554.93      204873.31       200054.93
--   建筑安装工程费 (2 rows)           2562165.25     2481243.43      2422887.52
--   other fees QTFY (P_ZHZ)        28536.4        26812.75        25340.2
--   material difference CLCY       none           1500            1200
--   construction-fee page total    2590701.65     2506556.18      2447027.72
-- The page total is discounted fee - CLCY + YGCL + auxiliary + tax + other fees. The audited
-- total stays below the first-review total, so the auditor's cap does not apply.

DELETE FROM G_QF;
DELETE FROM P_ZHZ;
DELETE FROM G_GCCS WHERE GCID IN (-10, -12, -13, -15, -16);

-- Fee items. The form reads only 折扣后施工费, 辅助材料费, 税金 and 建筑安装工程费, summed over
-- all their rows, and the factor after the last '*' of SGJSS (discount 0.9, auxiliary rate 0.03).
-- The other items belong to the budget but are not shown on the form.
INSERT INTO G_QF (XM, SGHJFY, SHHJFY, HJFY, SGJSS) VALUES
  ('人工费', 466780.48, 451690.45, 441588.75, '2968.42*114+2104.6*61'),
  ('材料费', 1234610.32, 1199250.12, 1176132.59, '1198650.8+35959.52'),
  ('机械使用费', 58620, 56340, 54980, NULL),
  ('仪表使用费', 21450, 20780, 20150, NULL),
  ('施工费', 1240000, 1196800, 1163000, NULL),
  ('折扣后施工费', 680400, 656640, 637200, '756000*0.9'),
  ('折扣后施工费', 435600, 420480, 409500, '484000*0.9'),
  ('辅助材料费', 35959.52, 34929.62, 34256.29, '1198650.8*0.03'),
  ('税金', 126932.96, 122923.99, 120032.96, '1410366.19*0.09'),
  ('税金', 84621.97, 81949.32, 80021.97, '940244.13*0.09'),
  ('建筑安装工程费', 1537299.15, 1488746.06, 1453732.51, NULL),
  ('建筑安装工程费', 1024866.1, 992497.37, 969155.01, NULL);

-- Summary rows. Other fees of the project: GCID 32000 with LX above 100, DepID 2 submitted,
-- 3 first review, empty (NULL) audited. The LX 100 row and the GCID 1 rows are other summaries
-- that the form must not pick up.
INSERT INTO P_ZHZ (GCID, LX, DepID, QTFY) VALUES
  (32000, 101, 2, 28536.4),
  (32000, 101, 3, 26812.75),
  (32000, 101, NULL, 25340.2),
  (32000, 100, NULL, 99999),
  (1, 5, 2, 3120.5),
  (1, 5, 3, 2980),
  (1, 5, NULL, 2875.25);

-- Budget parameters. JGGR skilled labour days, PGGR ordinary labour days, YGCL self-purchased
-- materials, ZGR total labour days (not read by the form): -12 submitted, -13 first review,
-- -10 audited. CLCY material difference: -16 first review, -15 audited.
INSERT INTO G_GCCS (GCID, CSName, S_Val) VALUES
  (-12, 'JGGR', '2968.42'),
  (-12, 'PGGR', '2104.6'),
  (-12, 'YGCL', '1198650.8'),
  (-12, 'ZGR', '5073.02'),
  (-13, 'JGGR', '2875.3'),
  (-13, 'PGGR', '2031.25'),
  (-13, 'YGCL', '1164320.5'),
  (-13, 'ZGR', '4906.55'),
  (-10, 'JGGR', '2810.5'),
  (-10, 'PGGR', '1986.75'),
  (-10, 'YGCL', '1141876.3'),
  (-10, 'ZGR', '4797.25'),
  (-16, 'CLCY', '1500'),
  (-15, 'CLCY', '1200');
