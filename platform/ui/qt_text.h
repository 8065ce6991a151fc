#pragma once
// The widget edge: texts of the logic code are Windows-1252 bytes, Qt wants
// Unicode. Converted through our own code-page table (Qt has none without ICU).
#include <QString>
#include <string>
#include <string_view>

#include "platform/text_encoding.h"

namespace tv {

inline QString ToQ(std::string_view cp1252) {
    const std::string utf8 = Cp1252ToUtf8(cp1252);
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

// Characters the code page lacks become '?'.
inline std::string FromQ(const QString& text) {
    const QByteArray utf8 = text.toUtf8();
    return Utf8ToCp1252(std::string_view(utf8.constData(), static_cast<size_t>(utf8.size())));
}

// A German caption written in UTF-8 in the sources.
inline QString U(const char* utf8) { return QString::fromUtf8(utf8); }

}  // namespace tv
