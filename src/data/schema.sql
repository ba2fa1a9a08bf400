-- Creation script of the stock database (SQLite).
-- The application embeds this file to create a new DATA/quorvel.mdb; it can also be run as
--   sqlite3 DATA/quorvel.mdb < src/data/schema.sql
-- Text columns compare without regard to letter case (COLLATE NOCASE); the views inherit the
-- collation through plain column references. Quantities and prices are REAL, written rounded
-- to 3 decimals by the application.
BEGIN;
-- Accounts and settings
CREATE TABLE login_table (
    login_id TEXT COLLATE NOCASE,
    login_name TEXT COLLATE NOCASE,
    pass_word TEXT COLLATE NOCASE
);
CREATE TABLE kesp_system_data (
    sys_name TEXT COLLATE NOCASE,
    sys_value TEXT COLLATE NOCASE
);
CREATE TABLE kesp_window_fields_set (
    login_id TEXT COLLATE NOCASE,
    window_code TEXT COLLATE NOCASE,
    fields_show TEXT COLLATE NOCASE
);
-- Rights: the commands of each account (menu codes; '*' every command, 'PRICE' sees prices) and
-- its warehouses ('*' every warehouse; may_operate 'Y' works in it, 'N' only sees it)
CREATE TABLE kesp_user_right (
    login_id TEXT COLLATE NOCASE,
    command TEXT COLLATE NOCASE
);
CREATE TABLE kesp_user_warehouse (
    login_id TEXT COLLATE NOCASE,
    warehouse TEXT COLLATE NOCASE,
    may_operate TEXT COLLATE NOCASE
);
-- Audit trail: written with the change it records, never changed by the program
CREATE TABLE kesp_audit_log (
    ID INTEGER PRIMARY KEY AUTOINCREMENT,
    log_time TEXT COLLATE NOCASE,
    login_id TEXT COLLATE NOCASE,
    computer_name TEXT COLLATE NOCASE,
    command TEXT COLLATE NOCASE,
    table_name TEXT COLLATE NOCASE,
    key_value TEXT COLLATE NOCASE,
    before_value TEXT,
    after_value TEXT,
    bill_no TEXT COLLATE NOCASE
);

-- Master data
CREATE TABLE kesp_warehouse_ini (
    warehouse TEXT COLLATE NOCASE,
    warehouse_name TEXT COLLATE NOCASE,
    warehouse_desc TEXT COLLATE NOCASE,
    forbid_negative BOOLEAN NOT NULL DEFAULT FALSE
);
CREATE TABLE kesp_item_arrage_b (
    arrage_code_b TEXT COLLATE NOCASE,
    arrage_name_b TEXT COLLATE NOCASE,
    arrage_desc_b TEXT COLLATE NOCASE
);
CREATE TABLE kesp_item_arrage_s (
    arrage_code_s TEXT COLLATE NOCASE,
    arrage_name_s TEXT COLLATE NOCASE,
    arrage_desc_s TEXT COLLATE NOCASE,
    arrage_code_b TEXT COLLATE NOCASE
);
CREATE TABLE kesp_item_attr (
    attr_code TEXT COLLATE NOCASE,
    attr_name TEXT COLLATE NOCASE,
    attr_desc TEXT COLLATE NOCASE
);
CREATE TABLE kesp_item_size (
    size_code TEXT COLLATE NOCASE,
    size_name TEXT COLLATE NOCASE,
    size_desc TEXT COLLATE NOCASE
);
CREATE TABLE kesp_item_stage (
    stage_code TEXT COLLATE NOCASE,
    stage_name TEXT COLLATE NOCASE,
    stage_desc TEXT COLLATE NOCASE
);
CREATE TABLE kesp_item_unit (
    unit_code TEXT COLLATE NOCASE,
    unit_name TEXT COLLATE NOCASE
);
CREATE TABLE kesp_operation_ini (
    operation_code TEXT COLLATE NOCASE,
    operation_name TEXT COLLATE NOCASE,
    i_o_flag TEXT COLLATE NOCASE
);
CREATE TABLE kesp_vendor_ini (
    vendor TEXT COLLATE NOCASE,
    vendor_name TEXT COLLATE NOCASE,
    address TEXT COLLATE NOCASE,
    phone1 TEXT COLLATE NOCASE,
    phone2 TEXT COLLATE NOCASE,
    telegraph TEXT COLLATE NOCASE,
    fax TEXT COLLATE NOCASE,
    zipcode TEXT COLLATE NOCASE,
    area TEXT COLLATE NOCASE,
    connection_man TEXT COLLATE NOCASE,
    conn_phone TEXT COLLATE NOCASE,
    business_man TEXT COLLATE NOCASE,
    busin_phone TEXT COLLATE NOCASE,
    delegate TEXT COLLATE NOCASE,
    manager TEXT COLLATE NOCASE,
    bank TEXT COLLATE NOCASE,
    account_no TEXT COLLATE NOCASE,
    taxation_no TEXT COLLATE NOCASE,
    compendium TEXT COLLATE NOCASE
);
CREATE TABLE kesp_customer_ini (
    customer TEXT COLLATE NOCASE,
    customer_name TEXT COLLATE NOCASE,
    address TEXT COLLATE NOCASE,
    phone1 TEXT COLLATE NOCASE,
    phone2 TEXT COLLATE NOCASE,
    telegraph TEXT COLLATE NOCASE,
    fax TEXT COLLATE NOCASE,
    zipcode TEXT COLLATE NOCASE,
    area TEXT COLLATE NOCASE,
    connection_man TEXT COLLATE NOCASE,
    conn_phone TEXT COLLATE NOCASE,
    business_man TEXT COLLATE NOCASE,
    busin_phone TEXT COLLATE NOCASE,
    delegate TEXT COLLATE NOCASE,
    manager TEXT COLLATE NOCASE,
    bank TEXT COLLATE NOCASE,
    account_no TEXT COLLATE NOCASE,
    taxation_no TEXT COLLATE NOCASE,
    compendium TEXT COLLATE NOCASE
);
CREATE TABLE kesp_item_master (
    item_code TEXT COLLATE NOCASE,
    item_name TEXT COLLATE NOCASE,
    item_model TEXT COLLATE NOCASE,
    item_spec TEXT COLLATE NOCASE,
    unit_code TEXT COLLATE NOCASE,
    unit_name TEXT COLLATE NOCASE,
    arrage_code_b TEXT COLLATE NOCASE,
    arrage_name_b TEXT COLLATE NOCASE,
    arrage_code_s TEXT COLLATE NOCASE,
    arrage_name_s TEXT COLLATE NOCASE
);

-- Barcodes of the item variants; the code keeps its letter case (plain TEXT on both engines)
CREATE TABLE kesp_item_barcode (
    barcode TEXT NOT NULL,
    item_code TEXT COLLATE NOCASE NOT NULL,
    attr_code TEXT COLLATE NOCASE NOT NULL,
    size_code TEXT COLLATE NOCASE NOT NULL,
    stage_code TEXT COLLATE NOCASE NOT NULL,
    barcode_kind TEXT COLLATE NOCASE NOT NULL,
    login_id TEXT COLLATE NOCASE,
    operation_date TEXT COLLATE NOCASE
);

-- Minimum and maximum stock of an item in a warehouse: for every colour and size ('' in
-- attr_code and size_code) or for one colour, one size or one colour × size
CREATE TABLE kesp_stock_level (
    warehouse TEXT COLLATE NOCASE NOT NULL,
    item_code TEXT COLLATE NOCASE NOT NULL,
    attr_code TEXT COLLATE NOCASE NOT NULL DEFAULT '',
    size_code TEXT COLLATE NOCASE NOT NULL DEFAULT '',
    min_qty REAL NOT NULL,
    max_qty REAL NOT NULL,
    login_id TEXT COLLATE NOCASE,
    operation_date TEXT COLLATE NOCASE
);

-- Movements
CREATE TABLE kesp_post_temp_a (
    order_no TEXT COLLATE NOCASE,
    login_id TEXT COLLATE NOCASE,
    item_code TEXT COLLATE NOCASE,
    item_name TEXT COLLATE NOCASE,
    item_model TEXT COLLATE NOCASE,
    item_spec TEXT COLLATE NOCASE,
    arrage_code_b TEXT COLLATE NOCASE,
    arrage_name_b TEXT COLLATE NOCASE,
    arrage_code_s TEXT COLLATE NOCASE,
    arrage_name_s TEXT COLLATE NOCASE,
    attr_code TEXT COLLATE NOCASE,
    attr_name TEXT COLLATE NOCASE,
    size_code TEXT COLLATE NOCASE,
    size_name TEXT COLLATE NOCASE,
    stage_code TEXT COLLATE NOCASE,
    stage_name TEXT COLLATE NOCASE,
    price REAL,
    qty REAL,
    bill_no TEXT COLLATE NOCASE,
    operation_code TEXT COLLATE NOCASE,
    operation_name TEXT COLLATE NOCASE,
    warehouse TEXT COLLATE NOCASE,
    warehouse_name TEXT COLLATE NOCASE,
    warehouse_a TEXT COLLATE NOCASE,
    warehouse_name_a TEXT COLLATE NOCASE,
    procure_date TEXT COLLATE NOCASE,
    vendor TEXT COLLATE NOCASE,
    vendor_name TEXT COLLATE NOCASE,
    customer TEXT COLLATE NOCASE,
    customer_name TEXT COLLATE NOCASE,
    operation_date TEXT COLLATE NOCASE,
    operation_time TEXT COLLATE NOCASE,
    red_flag TEXT COLLATE NOCASE
);
CREATE TABLE kesp_post_temp_groupby_out (
    item_code TEXT COLLATE NOCASE,
    attr_code TEXT COLLATE NOCASE,
    attr_name TEXT COLLATE NOCASE,
    size_code TEXT COLLATE NOCASE,
    size_name TEXT COLLATE NOCASE,
    stage_code TEXT COLLATE NOCASE,
    stage_name TEXT COLLATE NOCASE,
    price REAL,
    sum_qty REAL,
    bill_no TEXT COLLATE NOCASE,
    operation_code TEXT COLLATE NOCASE,
    operation_name TEXT COLLATE NOCASE,
    warehouse TEXT COLLATE NOCASE,
    warehouse_name TEXT COLLATE NOCASE,
    procure_date TEXT COLLATE NOCASE,
    vendor TEXT COLLATE NOCASE,
    vendor_name TEXT COLLATE NOCASE,
    customer TEXT COLLATE NOCASE,
    customer_name TEXT COLLATE NOCASE,
    login_id TEXT COLLATE NOCASE,
    red_flag TEXT COLLATE NOCASE
);
CREATE TABLE kesp_post_history (
    order_no TEXT COLLATE NOCASE,
    item_code TEXT COLLATE NOCASE,
    attr_code TEXT COLLATE NOCASE,
    attr_name TEXT COLLATE NOCASE,
    size_code TEXT COLLATE NOCASE,
    size_name TEXT COLLATE NOCASE,
    stage_code TEXT COLLATE NOCASE,
    stage_name TEXT COLLATE NOCASE,
    price REAL,
    qty REAL,
    remaind_qty REAL,
    bill_no TEXT COLLATE NOCASE,
    operation_code TEXT COLLATE NOCASE,
    operation_name TEXT COLLATE NOCASE,
    warehouse TEXT COLLATE NOCASE,
    warehouse_name TEXT COLLATE NOCASE,
    procure_date TEXT COLLATE NOCASE,
    vendor TEXT COLLATE NOCASE,
    vendor_name TEXT COLLATE NOCASE,
    customer TEXT COLLATE NOCASE,
    customer_name TEXT COLLATE NOCASE,
    login_id TEXT COLLATE NOCASE,
    operation_date TEXT COLLATE NOCASE,
    operation_time TEXT COLLATE NOCASE,
    red_flag TEXT COLLATE NOCASE
);

-- Stock
CREATE TABLE kesp_inv_detail_tree (
    ID INTEGER PRIMARY KEY AUTOINCREMENT,
    warehouse TEXT COLLATE NOCASE,
    warehouse_name TEXT COLLATE NOCASE,
    item_code TEXT COLLATE NOCASE,
    attr_code TEXT COLLATE NOCASE,
    size_code TEXT COLLATE NOCASE,
    stage_code TEXT COLLATE NOCASE,
    qty REAL
);

-- Stocktaking
CREATE TABLE kesp_check_set (
    login_id TEXT COLLATE NOCASE,
    warehouse TEXT COLLATE NOCASE,
    warehouse_name TEXT COLLATE NOCASE,
    check_set TEXT COLLATE NOCASE
);
CREATE TABLE kesp_check_temp (
    login_id TEXT COLLATE NOCASE,
    warehouse TEXT COLLATE NOCASE,
    warehouse_name TEXT COLLATE NOCASE,
    item_code TEXT COLLATE NOCASE,
    item_name TEXT COLLATE NOCASE,
    item_model TEXT COLLATE NOCASE,
    item_spec TEXT COLLATE NOCASE,
    unit_code TEXT COLLATE NOCASE,
    unit_name TEXT COLLATE NOCASE,
    arrage_code_b TEXT COLLATE NOCASE,
    arrage_name_b TEXT COLLATE NOCASE,
    arrage_code_s TEXT COLLATE NOCASE,
    arrage_name_s TEXT COLLATE NOCASE,
    attr_code TEXT COLLATE NOCASE,
    attr_name TEXT COLLATE NOCASE,
    size_code TEXT COLLATE NOCASE,
    size_name TEXT COLLATE NOCASE,
    stage_code TEXT COLLATE NOCASE,
    stage_name TEXT COLLATE NOCASE,
    remaind_qty REAL,
    qty REAL,
    check_flag BOOLEAN NOT NULL DEFAULT FALSE,
    order_no TEXT COLLATE NOCASE,
    operation_code TEXT COLLATE NOCASE,
    operation_name TEXT COLLATE NOCASE,
    procure_date TEXT COLLATE NOCASE,
    operation_date TEXT COLLATE NOCASE,
    operation_time TEXT COLLATE NOCASE,
    found_flag BOOLEAN NOT NULL DEFAULT FALSE
);

-- Accounting periods
CREATE TABLE kesp_inv_history_list (
    save_code TEXT COLLATE NOCASE,
    year_v TEXT COLLATE NOCASE,
    month_v TEXT COLLATE NOCASE,
    save_flag TEXT COLLATE NOCASE,
    operation_date TEXT COLLATE NOCASE,
    history_mark BIGINT
);
CREATE TABLE kesp_inv_history_detail_tree (
    save_code TEXT COLLATE NOCASE,
    year_v TEXT COLLATE NOCASE,
    month_v TEXT COLLATE NOCASE,
    warehouse TEXT COLLATE NOCASE,
    warehouse_name TEXT COLLATE NOCASE,
    item_code TEXT COLLATE NOCASE,
    attr_code TEXT COLLATE NOCASE,
    size_code TEXT COLLATE NOCASE,
    stage_code TEXT COLLATE NOCASE,
    qty REAL
);

-- Report work tables; each user's rows carry his code in login_id
CREATE TABLE kesp_inv_detail_tree_v_out (
    ID INTEGER,
    warehouse TEXT COLLATE NOCASE,
    warehouse_name TEXT COLLATE NOCASE,
    item_code TEXT COLLATE NOCASE,
    attr_code TEXT COLLATE NOCASE,
    size_code TEXT COLLATE NOCASE,
    stage_code TEXT COLLATE NOCASE,
    qty REAL,
    item_name TEXT COLLATE NOCASE,
    item_model TEXT COLLATE NOCASE,
    item_spec TEXT COLLATE NOCASE,
    unit_code TEXT COLLATE NOCASE,
    unit_name TEXT COLLATE NOCASE,
    arrage_code_b TEXT COLLATE NOCASE,
    arrage_name_b TEXT COLLATE NOCASE,
    arrage_code_s TEXT COLLATE NOCASE,
    arrage_name_s TEXT COLLATE NOCASE,
    attr_name TEXT COLLATE NOCASE,
    size_name TEXT COLLATE NOCASE,
    stage_name TEXT COLLATE NOCASE,
    login_id TEXT COLLATE NOCASE
);
CREATE TABLE kesp_inv_detail_tree_v_out2 (
    arrage_code_b TEXT COLLATE NOCASE,
    arrage_name_b TEXT COLLATE NOCASE,
    arrage_code_s TEXT COLLATE NOCASE,
    arrage_name_s TEXT COLLATE NOCASE,
    attr_code TEXT COLLATE NOCASE,
    attr_name TEXT COLLATE NOCASE,
    size_code TEXT COLLATE NOCASE,
    size_name TEXT COLLATE NOCASE,
    stage_code TEXT COLLATE NOCASE,
    stage_name TEXT COLLATE NOCASE,
    item_code TEXT COLLATE NOCASE,
    item_name TEXT COLLATE NOCASE,
    qty REAL,
    login_id TEXT COLLATE NOCASE
);

-- Keys and indexes
CREATE UNIQUE INDEX ux_inv_detail_tree_key ON kesp_inv_detail_tree(warehouse, item_code, attr_code, size_code, stage_code);
CREATE INDEX ix_post_temp_a_login ON kesp_post_temp_a(login_id);
CREATE INDEX ix_post_temp_a_order ON kesp_post_temp_a(order_no);
CREATE INDEX ix_groupby_out_login ON kesp_post_temp_groupby_out(login_id);
CREATE INDEX ix_post_history_bill ON kesp_post_history(bill_no);
CREATE INDEX ix_post_history_order ON kesp_post_history(order_no);
CREATE INDEX ix_post_history_date ON kesp_post_history(procure_date);
CREATE INDEX ix_post_history_wh_date ON kesp_post_history(warehouse, procure_date);
CREATE INDEX ix_post_history_bill_in ON kesp_post_history(bill_no, operation_code, warehouse, warehouse_name, vendor, vendor_name);
CREATE INDEX ix_post_history_bill_out ON kesp_post_history(bill_no, operation_code, warehouse, warehouse_name, customer, customer_name);
CREATE INDEX ix_item_master_arrage ON kesp_item_master(arrage_code_b, arrage_code_s, item_code);
CREATE INDEX ix_check_set_login ON kesp_check_set(login_id, warehouse);
CREATE INDEX ix_check_temp_login ON kesp_check_temp(login_id);
CREATE INDEX ix_inv_history_detail_key ON kesp_inv_history_detail_tree(save_code, warehouse, item_code);
CREATE UNIQUE INDEX ux_inv_history_list_save ON kesp_inv_history_list(save_code);
CREATE INDEX ix_v_out_login ON kesp_inv_detail_tree_v_out(login_id);
CREATE INDEX ix_v_out2_login ON kesp_inv_detail_tree_v_out2(login_id);
CREATE UNIQUE INDEX ux_warehouse ON kesp_warehouse_ini(warehouse);
CREATE UNIQUE INDEX ux_arrage_b ON kesp_item_arrage_b(arrage_code_b);
CREATE UNIQUE INDEX ux_arrage_s ON kesp_item_arrage_s(arrage_code_b, arrage_code_s);
CREATE UNIQUE INDEX ux_attr ON kesp_item_attr(attr_code);
CREATE UNIQUE INDEX ux_size ON kesp_item_size(size_code);
CREATE UNIQUE INDEX ux_stage ON kesp_item_stage(stage_code);
CREATE UNIQUE INDEX ux_unit ON kesp_item_unit(unit_code);
CREATE UNIQUE INDEX ux_operation ON kesp_operation_ini(operation_code);
CREATE UNIQUE INDEX ux_vendor ON kesp_vendor_ini(vendor);
CREATE UNIQUE INDEX ux_customer ON kesp_customer_ini(customer);
CREATE UNIQUE INDEX ux_item_master ON kesp_item_master(item_code);
CREATE UNIQUE INDEX ux_item_barcode ON kesp_item_barcode(barcode);
CREATE INDEX ix_item_barcode_variant ON kesp_item_barcode(item_code, attr_code, size_code, stage_code);
CREATE INDEX ix_item_barcode_attr ON kesp_item_barcode(attr_code);
CREATE INDEX ix_item_barcode_size ON kesp_item_barcode(size_code);
CREATE INDEX ix_item_barcode_stage ON kesp_item_barcode(stage_code);
CREATE INDEX ix_inv_detail_tree_item ON kesp_inv_detail_tree(item_code, attr_code, size_code, stage_code);
CREATE INDEX ix_inv_detail_tree_empty ON kesp_inv_detail_tree(warehouse, item_code, attr_code, size_code) WHERE qty <= 0;
CREATE UNIQUE INDEX ux_stock_level ON kesp_stock_level(warehouse, item_code, attr_code, size_code);
CREATE INDEX ix_stock_level_item ON kesp_stock_level(item_code, attr_code, size_code);
CREATE INDEX ix_stock_level_attr ON kesp_stock_level(attr_code);
CREATE INDEX ix_stock_level_size ON kesp_stock_level(size_code);
CREATE INDEX ix_post_history_item ON kesp_post_history(item_code, attr_code, size_code, stage_code);
CREATE INDEX ix_check_temp_key ON kesp_check_temp(login_id, warehouse, item_code, attr_code, size_code, stage_code);
CREATE UNIQUE INDEX ux_user_right ON kesp_user_right(login_id, command);
CREATE UNIQUE INDEX ux_user_warehouse ON kesp_user_warehouse(login_id, warehouse);
CREATE INDEX ix_audit_log_time ON kesp_audit_log(log_time);
CREATE INDEX ix_audit_log_bill ON kesp_audit_log(bill_no);

-- Stored queries
CREATE VIEW kesp_inv_detail_tree_v AS
SELECT t.ID, t.warehouse, t.warehouse_name, t.item_code, t.attr_code, t.size_code, t.stage_code, t.qty,
       m.item_name, m.item_model, m.item_spec, m.unit_code, m.unit_name,
       m.arrage_code_b, m.arrage_name_b, m.arrage_code_s, m.arrage_name_s,
       a.attr_name, s.size_name, g.stage_name
FROM kesp_inv_detail_tree t
LEFT JOIN kesp_item_master m ON m.item_code = t.item_code
LEFT JOIN kesp_item_attr a ON a.attr_code = t.attr_code
LEFT JOIN kesp_item_size s ON s.size_code = t.size_code
LEFT JOIN kesp_item_stage g ON g.stage_code = t.stage_code;

CREATE VIEW kesp_inv_history_detail_tree_v AS
SELECT h.save_code, h.year_v, h.month_v, h.warehouse, h.warehouse_name, h.item_code, h.attr_code,
       h.size_code, h.stage_code, h.qty,
       m.item_name, m.item_model, m.item_spec, m.unit_name,
       m.arrage_code_b, m.arrage_name_b, m.arrage_code_s, m.arrage_name_s,
       a.attr_name, s.size_name, g.stage_name
FROM kesp_inv_history_detail_tree h
LEFT JOIN kesp_item_master m ON m.item_code = h.item_code
LEFT JOIN kesp_item_attr a ON a.attr_code = h.attr_code
LEFT JOIN kesp_item_size s ON s.size_code = h.size_code
LEFT JOIN kesp_item_stage g ON g.stage_code = h.stage_code;

CREATE VIEW kesp_post_history_v AS
SELECT h.order_no, h.item_code, h.attr_code, h.attr_name, h.size_code, h.size_name, h.stage_code,
       h.stage_name, h.price, h.qty, h.remaind_qty, h.bill_no, h.operation_code,
       COALESCE(h.operation_name, o.operation_name) AS operation_name,
       h.warehouse, h.warehouse_name, h.procure_date, h.vendor, h.vendor_name, h.customer,
       h.customer_name, h.login_id, h.operation_date, h.operation_time, h.red_flag,
       m.item_name, m.item_model, m.item_spec, m.unit_name,
       m.arrage_code_b, m.arrage_name_b, m.arrage_code_s, m.arrage_name_s,
       o.i_o_flag
FROM kesp_post_history h
LEFT JOIN kesp_item_master m ON m.item_code = h.item_code
LEFT JOIN kesp_operation_ini o ON o.operation_code = h.operation_code;

CREATE VIEW kesp_post_temp_groupby_v AS
SELECT item_code, attr_code, MAX(attr_name) AS attr_name, size_code, MAX(size_name) AS size_name,
       stage_code, MAX(stage_name) AS stage_name, MAX(price) AS price, SUM(qty) AS sum_qty,
       MAX(bill_no) AS bill_no, MAX(operation_code) AS operation_code,
       MAX(operation_name) AS operation_name, warehouse, MAX(warehouse_name) AS warehouse_name,
       MAX(procure_date) AS procure_date, MAX(vendor) AS vendor, MAX(vendor_name) AS vendor_name,
       MAX(customer) AS customer, MAX(customer_name) AS customer_name, login_id,
       MAX(red_flag) AS red_flag
FROM kesp_post_temp_a
GROUP BY login_id, warehouse, item_code, attr_code, size_code, stage_code;

-- Initial rows
INSERT INTO kesp_system_data(sys_name, sys_value) VALUES ('order_no', '0000000001');
INSERT INTO kesp_operation_ini(operation_code, operation_name, i_o_flag) VALUES
    ('i_r', '入库红冲', 'i'),
    ('o_r', '出库红冲', 'o'),
    ('i_t', '转库入库', 'i'),
    ('o_t', '转库出库', 'o'),
    ('c_k', '盘点调帐', 'c');
INSERT INTO login_table(login_id, login_name, pass_word) VALUES ('abc', '系统管理员', '123');
INSERT INTO kesp_user_right(login_id, command) VALUES ('abc', '*'), ('abc', 'PRICE');
INSERT INTO kesp_user_warehouse(login_id, warehouse, may_operate) VALUES ('abc', '*', 'Y');

PRAGMA user_version = 8;
COMMIT;
