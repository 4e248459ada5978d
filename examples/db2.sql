SELECT empno, lastname FROM employee WHERE workdept = 'D11' FETCH FIRST 5 ROWS ONLY;

SELECT CURRENT DATE FROM sysibm.sysdummy1;

INSERT INTO department (deptno, deptname) VALUES ('X01', 'Research');
