-- Dump of database `shop`, written by the server's dump tool

/*!40101 SET @OLD_CHARACTER_SET_CLIENT=@@CHARACTER_SET_CLIENT */;
/*!40101 SET NAMES utf8mb4 */;

--
-- Table structure for table `orders`
--

DROP TABLE IF EXISTS `orders`;
CREATE TABLE `orders` (
  `id` int(11) NOT NULL AUTO_INCREMENT,
  `total` decimal(10,2) NOT NULL,
  `note` varchar(200) DEFAULT NULL,
  PRIMARY KEY (`id`)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4;

LOCK TABLES `orders` WRITE;
INSERT INTO `orders` VALUES (1,19.90,'it\'s; fine'),(2,5.00,NULL);
UNLOCK TABLES;
/*!50003 SET @saved_sql_mode = @@sql_mode */ ;
DELIMITER ;;
/*!50003 CREATE*/ /*!50017 DEFINER=`root`@`localhost`*/ /*!50003 TRIGGER `orders_bi` BEFORE INSERT ON `orders` FOR EACH ROW BEGIN
  IF NEW.total < 0 THEN SET NEW.total = 0; END IF;
  SET NEW.note = CONCAT('checked; ', IFNULL(NEW.note, ''));
END */;;
DELIMITER ;
/*!50003 SET sql_mode = @saved_sql_mode */ ;

--
-- Dumping routines for database 'shop'
--

DELIMITER ;;
CREATE DEFINER=`root`@`localhost` PROCEDURE `order_count`(OUT n INT)
BEGIN
  SELECT COUNT(*) INTO n FROM `orders`;
END ;;
DELIMITER ;
/*!40101 SET CHARACTER_SET_CLIENT=@OLD_CHARACTER_SET_CLIENT */;
