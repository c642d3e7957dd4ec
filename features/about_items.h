// The menu's last items, which belong to the program rather than to one
// feature: 打开数据文件夹 (F9) and 关于 KESTRAN (F1).
#pragma once

namespace kestran::about {

void Install();

}  // namespace kestran::about
