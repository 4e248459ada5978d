SELECT a FROM t;

SELECT COUNT(*) FROM orders WHERE total > 100;

SELECT id, name FROM customers ORDER BY name;
