SELECT "My Col", "a;b", 'C:\' FROM t;
CREATE FUNCTION f() RETURNS text AS $outer$ SELECT $inner$x;y$inner$ $outer$ LANGUAGE sql;
