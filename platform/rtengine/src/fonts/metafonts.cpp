// Meta fonts: the process-wide registry of named fonts, CreateMetaFont, and the
// resolution of font names that the user-interface model asks for.
//
// Choices:
//  - The predefined meta fonts cannot be redefined, and no meta font may take a
//    typeface's name (-90), so a font name always means one thing.
//  - A typeface the engine does not know ("bogusfont") is kept as given and the meta
//    font measures and draws in DejaVu Sans at its own size and styles: a meta font
//    always measures. -89 is for names that are neither a meta font nor, where a
//    typeface will do, a known typeface.
//  - A meta font given as the typeface lends its typeface, not its size or styles, and
//    reads back that typeface.
//  - A typeface resolved on its own has the dialog meta font's 10 points and no styles.
#include <cstring>
#include <map>
#include <mutex>
#include <new>
#include <shared_mutex>
#include <string>

#include "faces.h"
#include "rte_internal.h"

namespace rte {
namespace fonts {

namespace {

constexpr int kDefaultPointSize = 10;

struct MetaFont {
    FontSpec spec;
    Family family;
    const SizedFace *sized;
    bool predefined;
};

// Orders names without regard to ASCII case; finds by const char * without a copy.
struct NameLess {
    using is_transparent = void;
    bool operator()(const std::string &a, const std::string &b) const {
        return compareNames(a.c_str(), b.c_str()) < 0;
    }
    bool operator()(const std::string &a, const char *b) const { return compareNames(a.c_str(), b) < 0; }
    bool operator()(const char *a, const std::string &b) const { return compareNames(a, b.c_str()) < 0; }
};

const SizedFace &sizedFaceFor(Family family, const FontSpec &spec) {
    return sizedFace(faceFor(family, spec.bold), pixelSizeForPoints(spec.pointSize));
}

MetaFont makeMetaFont(FontSpec spec, Family family, bool predefined) {
    const SizedFace *sized = &sizedFaceFor(family, spec);
    return MetaFont{std::move(spec), family, sized, predefined};
}

class Registry {
public:
    Registry() {
        predefine(RTE_DIALOG_META_FONT, RTE_SANS_TYPEFACE, Family::Sans, kDefaultPointSize, false);
        predefine(RTE_MENU_META_FONT, RTE_SANS_TYPEFACE, Family::Sans, kDefaultPointSize, false);
        predefine(RTE_MESSAGE_META_FONT, RTE_SANS_TYPEFACE, Family::Sans, kDefaultPointSize, false);
        predefine(RTE_TITLE_META_FONT, RTE_SANS_TYPEFACE, Family::Sans, 12, true);
        predefine(RTE_FIXED_META_FONT, RTE_MONO_TYPEFACE, Family::Mono, kDefaultPointSize, false);
    }

    // 0 or a code; nothing changes on failure. Throws std::bad_alloc.
    int define(const char *name, const char *typeface, const FontSpec &styles) {
        std::unique_lock<std::shared_mutex> lock(mutex_);
        auto existing = fonts_.find(name);
        if ((existing != fonts_.end() && existing->second.predefined) || findTypeface(name))
            return RTE_UIE_INVALID_ATTRIBUTE_VALUE;
        FontSpec spec = styles;
        Family family = Family::Sans;
        auto lender = fonts_.find(typeface);
        if (lender != fonts_.end()) {
            spec.typeface = lender->second.spec.typeface;
            family = lender->second.family;
        } else {
            spec.typeface = typeface;
            if (const Typeface *known = findTypeface(typeface)) family = known->family;
        }
        MetaFont font = makeMetaFont(std::move(spec), family, false);
        if (existing != fonts_.end())
            existing->second = std::move(font);
        else
            fonts_.emplace(name, std::move(font));
        return 0;
    }

    // The face of a meta font, or null when there is none of that name.
    const SizedFace *faceOf(const char *name) const {
        std::shared_lock<std::shared_mutex> lock(mutex_);
        auto found = fonts_.find(name);
        return found == fonts_.end() ? nullptr : found->second.sized;
    }

    // Copies the meta font's description and family; false when there is none.
    bool lookUp(const char *name, FontSpec &spec, Family &family) const {
        std::shared_lock<std::shared_mutex> lock(mutex_);
        auto found = fonts_.find(name);
        if (found == fonts_.end()) return false;
        spec = found->second.spec;
        family = found->second.family;
        return true;
    }

private:
    void predefine(const char *name, const char *typeface, Family family, int pointSize,
                   bool bold) {
        FontSpec spec;
        spec.typeface = typeface;
        spec.pointSize = pointSize;
        spec.bold = bold;
        fonts_.emplace(name, makeMetaFont(std::move(spec), family, true));
    }

    mutable std::shared_mutex mutex_;
    std::map<std::string, MetaFont, NameLess> fonts_;
};

Registry &registry() {
    static Registry instance;
    return instance;
}

bool isValidPointSize(int pointSize) {
    return pointSize >= RTE_MIN_FONT_POINT_SIZE && pointSize <= RTE_MAX_FONT_POINT_SIZE;
}

bool fitsFontName(const char *name) { return std::strlen(name) < RTE_MAX_FONT_NAME_LEN; }

void applyOverride(bool &value, int override) {
    if (override != kKeep) value = override != 0;
}

}  // namespace

int pixelSizeForPoints(int pointSize) { return (pointSize * 96 + 36) / 72; }

const SizedFace *metaFontFace(const char *name) { return registry().faceOf(name); }

int resolveFont(const char *fontName, const FontOverrides &overrides, ResolvedFont &out) {
    if (!fontName) return RTE_UIE_NULL_ARGUMENT;
    if (overrides.pointSize != kKeep && !isValidPointSize(overrides.pointSize))
        return RTE_UIE_INVALID_ATTRIBUTE_VALUE;
    try {
        FontSpec spec;
        Family family = Family::Sans;
        if (!registry().lookUp(fontName, spec, family)) {
            const Typeface *typeface = findTypeface(fontName);
            if (!typeface) return RTE_UIE_UNKNOWN_FONT;
            spec.typeface = fontName;
            spec.pointSize = kDefaultPointSize;
            family = typeface->family;
        }
        if (overrides.pointSize != kKeep) spec.pointSize = overrides.pointSize;
        applyOverride(spec.bold, overrides.bold);
        applyOverride(spec.italic, overrides.italic);
        applyOverride(spec.underline, overrides.underline);
        applyOverride(spec.strikeOut, overrides.strikeOut);
        const SizedFace &sized = sizedFaceFor(family, spec);
        out.syntheticBold = spec.bold && !familyHasBoldFace(family);
        out.syntheticItalic = spec.italic;
        out.face = &sized;
        out.pixelSize = sized.pixelSize;
        out.spec = std::move(spec);
        return 0;
    } catch (const std::bad_alloc &) {
        return RTE_UIE_OUT_OF_MEMORY;
    }
}

int describeMetaFont(const char *metaFontName, FontSpec &out) {
    if (!metaFontName) return RTE_UIE_NULL_ARGUMENT;
    try {
        FontSpec spec;
        Family family;
        if (!registry().lookUp(metaFontName, spec, family)) return RTE_UIE_UNKNOWN_FONT;
        out = std::move(spec);
        return 0;
    } catch (const std::bad_alloc &) {
        return RTE_UIE_OUT_OF_MEMORY;
    }
}

}  // namespace fonts
}  // namespace rte

extern "C" {

int CreateMetaFont(const char *metaFontName, const char *typeface, int pointSize, int bold,
                   int italic, int underline, int strikeOut) {
    constexpr const char *kName = "CreateMetaFont";
    if (!metaFontName || !typeface) return rte::fail(kName, RTE_UIE_NULL_ARGUMENT);
    if (!*metaFontName || !rte::fonts::fitsFontName(metaFontName) ||
        !rte::fonts::fitsFontName(typeface) || !rte::fonts::isValidPointSize(pointSize))
        return rte::fail(kName, RTE_UIE_INVALID_ATTRIBUTE_VALUE);
    try {
        rte::fonts::FontSpec styles;
        styles.pointSize = pointSize;
        styles.bold = bold != 0;
        styles.italic = italic != 0;
        styles.underline = underline != 0;
        styles.strikeOut = strikeOut != 0;
        int code = rte::fonts::registry().define(metaFontName, typeface, styles);
        return code ? rte::fail(kName, code) : 0;
    } catch (const std::bad_alloc &) {
        return rte::fail(kName, RTE_UIE_OUT_OF_MEMORY);
    }
}

}  // extern "C"
