SELECT ename, sal, ROWNUM FROM emp WHERE deptno = :dept_no AND ROWNUM <= 10;

SELECT SYSDATE, USER FROM dual;

UPDATE emp SET sal = sal * 1.1 WHERE job = 'CLERK' AND hiredate < DATE '2020-01-01';

SELECT e.*, d.dname
FROM emp e, dept d
WHERE e.deptno = d.deptno(+) -- keep employees without a department
ORDER BY e.ename;
