-- A project database without the summary table P_ZHZ: the other-fees statement is rejected.
DROP TABLE P_ZHZ;
