CREATE TABLE orders (id NUMBER PRIMARY KEY, total NUMBER(10,2));

CREATE OR REPLACE PROCEDURE add_order (p_id NUMBER, p_total NUMBER) IS
BEGIN
  INSERT INTO orders VALUES (p_id, p_total);
  COMMIT;
END add_order;
/

DECLARE
  n NUMBER;
BEGIN
  SELECT COUNT(*) INTO n FROM orders;
  DBMS_OUTPUT.PUT_LINE('orders: ' || n || '; done');
END;
/

SELECT id, total FROM orders WHERE total > 10;
/
