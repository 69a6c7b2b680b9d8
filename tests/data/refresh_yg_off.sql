-- Saved state with "含乙供材料" cleared: the installation amount leaves out the contractor's materials.
INSERT INTO G_GCCS (GCID, CSName, S_Val) VALUES (-1, 'YG', '0');
