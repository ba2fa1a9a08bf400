#include "security/commands.h"

namespace Commands {

const QList<Menu>& menus() {
    static const Command sep{};
    static const QList<Menu> t = {
        {"AA", "【系统控制】",
         {{"AA10", "密码设定", "", "AA10"}, {"AA20", "管理员设定", "", "AA20"}, {"AA30", "权限设置", "", "AA30"}, sep,
          {"AA40", "备份", "", "AA40"}, {"AA60", "数据恢复", "", "AA60"}, {"AA50", "数据导入", "", "AA50"}, sep, {"AA70", "操作日志", "", "AA70"}, {"AA80", "单据抬头", "", "AA80"}}},
        {"BB", "【基础数据管理】",
         {{"BB10", "新项目定义", "F2", "BB10"}, sep, {"BB20", "仓库定义", "", "BB20"}, {"BB30", "项目分类定义", "", "BB30"},
          {"BB40", "计量单位定义", "", "BB40"}, {"BB50", "操作类型定义", "", "BB50"}, sep,
          {"BB60", "供应商定义", "", "BB60"}, {"BB70", "客户定义", "", "BB70"}, sep,
          {"BB80", "库存上下限", "", "BB80"}}},
        {"CC", "【入库管理】",
         {{"CC10", "入库操作", "F3", "CC10"}, {"CC20", "入库红冲", "", "CC20"}, sep, {"CC30", "转库操作", "", "CC30"}, sep,
          {"CC40", "入库记录查询", "", "CC40"}}},
        {"DD", "【出库管理】",
         {{"DD10", "出库操作", "F4", "DD10"}, {"DD20", "出库红冲", "", "DD20"}, sep, {"DD30", "出库记录查询", "", "DD30"}}},
        {"EE", "【查询管理】",
         {{"EE10", "当前库存查询", "F5", "EE10"}, {"EE20", "历史库存查询", "", "EE20"}, sep,
          {"EE30", "入库记录查询", "", "CC40"}, {"EE40", "出库记录查询", "", "DD30"}, sep,
          {"EE50", "库存预警", "", "EE50"}}},
        {"FF", "【盘点管理】",
         {{"FF10", "设置盘点", "", "FF10"}, {"FF20", "盘点调帐", "", "FF20"}, sep, {"FF30", "盘点查询", "", "FF30"}}},
        {"GG", "【核算管理】",
         {{"GG10", "月底结帐", "", "GG10"}, {"GG20", "核算期设定", "", "GG20"}, sep, {"GG30", "核对库存", "", "GG30"}}},
    };
    return t;
}

QList<Command> all() {
    QList<Command> out;
    for (const Menu& m : menus())
        for (const Command& c : m.entries)
            if (!c.code.isEmpty()) out << c;
    return out;
}

QString caption(const QString& code) {
    for (const Command& c : all())
        if (c.code.compare(code, Qt::CaseInsensitive) == 0) return c.caption;
    return code;
}

bool exists(const QString& code) {
    for (const Command& c : all())
        if (c.code.compare(code, Qt::CaseInsensitive) == 0) return true;
    return false;
}

} // namespace Commands
