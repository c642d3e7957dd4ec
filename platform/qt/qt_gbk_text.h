// The contract's GBK texts as the toolkit's strings, and back.
#pragma once

#include <QString>

#include <string>

#include "platform/gbk.h"

namespace plat::qt {

inline QString FromGbk(const char* text) { return QString::fromStdString(GbkToUtf8(text ? text : "")); }
inline std::string ToGbk(const QString& text) { return Utf8ToGbk(text.toStdString()); }

}  // namespace plat::qt
