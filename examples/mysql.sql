select a from t;

SELECT o.id, c.name, SUM(o.total) AS revenue
FROM `orders` o
JOIN customers c ON c.id = o.customer_id
WHERE o.created_at >= '2024-01-01' # this year only
GROUP BY o.id, c.name
ORDER BY revenue DESC
LIMIT 10;

SET @position := 0;

SELECT @@version, @position := @position + 1 AS position FROM DUAL;

INSERT INTO audit_log (user_id, action) VALUES (42, "login");
