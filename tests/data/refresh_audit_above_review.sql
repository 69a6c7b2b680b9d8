-- The auditor's budget puts the tax 179967.04 above the first review's, so that the audited
-- construction-fee total (2626994.76) exceeds the first-review total (2506556.18).
UPDATE G_QF SET HJFY = 300000 WHERE XM = '税金' AND SGJSS LIKE '1410366.19*%';
