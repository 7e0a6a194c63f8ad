#pragma once

#include <QString>

#include <string_view>

namespace tarnwick {

/// One of the shared UTF-8 texts as Qt shows it.
inline QString qtText(std::string_view text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace tarnwick
