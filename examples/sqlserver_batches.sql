USE shop;
GO
CREATE TABLE dbo.orders (id int PRIMARY KEY, note nvarchar(200));
GO
CREATE PROCEDURE dbo.order_count AS
BEGIN
    SET NOCOUNT ON;
    SELECT COUNT(*) FROM dbo.orders; -- a GO here is a comment
END
GO
INSERT INTO dbo.orders VALUES (1, N'a line
GO
inside a string')
go 3
