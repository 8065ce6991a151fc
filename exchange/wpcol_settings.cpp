#include "exchange/wpcol_settings.h"

#include "core/ini_file.h"

namespace tv {

namespace {

constexpr const char* kSection = "WPCollector";

// Keys of the type boxes in the order they are stored, with their type number.
struct TypeKey {
    const char* key;
    int type;
};
constexpr TypeKey kTypeKeys[] = {
    {"FilterCTypeTrad", 0},    {"FilterCTypeMulti", 1},   {"FilterCTypeMystery", 6}, {"FilterCTypeWebcam", 5},
    {"FilterCTypeEvent", 4},   {"FilterCTypeCITO", 8},    {"FilterCTypeLetter", 3},  {"FilterCTypeEarth", 9},
    {"FilterCTypeVirtual", 2}, {"FilterCTypeLocless", 7},
};

int Clamp(int index, int count) { return index >= 0 && index < count ? index : 0; }

}  // namespace

void WpColSettings::Load(const TIniFile& ini, int homeCount, int formatCount, int pageCount) {
    preselectMultiFinds = ini.readBool(kSection, "PreselectMultiFinds", true);
    radSearchHomeIndex = ini.readInteger(kSection, "RadSearchHomeIndex", 0);
    radSearchHomeIndexGlobal = ini.readInteger(kSection, "RadSearchHomeIndexGlobal", radSearchHomeIndex);
    radSearchHomeIndex = Clamp(radSearchHomeIndex, homeCount);
    radSearchHomeIndexGlobal = Clamp(radSearchHomeIndexGlobal, homeCount);
    radius = ini.readString("Program", "Radius", "15");
    importFormatIndex = Clamp(ini.readInteger(kSection, "ImportFormatIndex", 0), formatCount);
    ignoreFinds = ini.readBool(kSection, "IgnoreFinds", true);
    filterCacheType = ini.readBool(kSection, "FilterCacheType", false);
    filterCacheDate = ini.readBool(kSection, "FilterCacheDate", false);
    skipArchived = ini.readBool(kSection, "SkipArchived", true);
    skipOldEvents = ini.readBool(kSection, "SkipOldEvents", true);
    skipMicros = ini.readBool(kSection, "SkipMicros", false);
    for (const TypeKey& t : kTypeKeys) types[static_cast<std::size_t>(t.type)] = ini.readBool(kSection, t.key, false);
    activePage = Clamp(ini.readInteger(kSection, "ActivePage", 0), pageCount);
}

bool WpColSettings::Save(TIniFile& ini) const {
    return ini.update([&] {
        ini.writeBool(kSection, "PreselectMultiFinds", preselectMultiFinds);
        ini.writeInteger(kSection, "RadSearchHomeIndex", radSearchHomeIndex);
        ini.writeInteger(kSection, "RadSearchHomeIndexGlobal", radSearchHomeIndexGlobal);
        ini.writeString("Program", "Radius", radius);
        ini.writeInteger(kSection, "ImportFormatIndex", importFormatIndex);
        ini.writeBool(kSection, "IgnoreFinds", ignoreFinds);
        ini.writeBool(kSection, "FilterCacheType", filterCacheType);
        ini.writeBool(kSection, "FilterCacheDate", filterCacheDate);
        ini.writeBool(kSection, "SkipArchived", skipArchived);
        ini.writeBool(kSection, "SkipOldEvents", skipOldEvents);
        ini.writeBool(kSection, "SkipMicros", skipMicros);
        for (const TypeKey& t : kTypeKeys) ini.writeBool(kSection, t.key, types[static_cast<std::size_t>(t.type)]);
        ini.writeInteger(kSection, "ActivePage", activePage);
    });
}

}  // namespace tv
