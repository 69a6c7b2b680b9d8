-- params_inserts_refused.sql on a PostgreSQL server: the same rows, and the same refusal of every
-- new row by another program's trigger, written in the server's language.
INSERT INTO G_GCCS(GCID,CSName,S_Val) VALUES(-1,'Auto','0');
INSERT INTO G_GCCS(GCID,CSName,S_Val) VALUES(-1,'T_47','旧标题');
CREATE FUNCTION refuse_new_rows() RETURNS trigger LANGUAGE plpgsql AS
  $$ BEGIN RAISE EXCEPTION 'refused'; END $$;
CREATE TRIGGER refuse_new_rows BEFORE INSERT ON G_GCCS FOR EACH ROW EXECUTE FUNCTION refuse_new_rows();
