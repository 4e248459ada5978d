SELECT TOP 10 name, email FROM dbo.customers WHERE city = 'Berlin' ORDER BY name;

UPDATE dbo.orders SET status = 'shipped' WHERE id IN (17, 18, 19);

SELECT customer_id, COUNT(*) AS total FROM dbo.orders GROUP BY customer_id;
