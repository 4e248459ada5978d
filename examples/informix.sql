SELECT FIRST 10 customer_num, lname FROM customer ORDER BY lname;

SELECT "open orders", first FROM orders WHERE ship_date IS NULL;

UPDATE stock SET unit_price = unit_price * 1.05 WHERE manu_code = 'HRO';
