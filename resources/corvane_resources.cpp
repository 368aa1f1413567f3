#include "resources/corvane_resources.h"

namespace corvane::resources {

namespace {

ScopedResourceOverride* g_override = nullptr;

bool equalNoCase(const char* a, const char* b) {
    for (;; ++a, ++b) {
        unsigned char ca = static_cast<unsigned char>(*a);
        unsigned char cb = static_cast<unsigned char>(*b);
        if (ca >= 'a' && ca <= 'z') ca = static_cast<unsigned char>(ca - 'a' + 'A');
        if (cb >= 'a' && cb <= 'z') cb = static_cast<unsigned char>(cb - 'a' + 'A');
        if (ca != cb) return false;
        if (ca == 0) return true;
    }
}

// A key names a resource either by name (name set) or by id (name null).
bool keyMatches(const char* entry_type, const char* entry_name, int entry_id, const char* type,
                const char* name, int id) {
    if (entry_type == nullptr || !equalNoCase(entry_type, type)) return false;
    if (name != nullptr) return entry_name != nullptr && equalNoCase(entry_name, name);
    return entry_name == nullptr && entry_id == id;
}

} // namespace

struct Lookup {
    static ResourceData find(const char* type, const char* name, int id) {
        if (type == nullptr) return {};
        for (const ScopedResourceOverride* o = g_override; o != nullptr; o = o->previous_) {
            if (o->hide_all_) return {};
            for (int i = o->rule_count_ - 1; i >= 0; --i) {
                const ScopedResourceOverride::Rule& r = o->rules_[i];
                if (keyMatches(r.type, r.name, r.id, type, name, id)) return r.data;
            }
        }
        for (int i = 0; i < detail::kEntryCount; ++i) {
            const detail::Entry& e = detail::kEntries[i];
            if (keyMatches(e.type, e.name, e.id, type, name, id))
                return {e.begin, static_cast<std::size_t>(e.end - e.begin)};
        }
        return {};
    }
};

ResourceData findResource(const char* type, const char* name) {
    if (name == nullptr) return {};
    return Lookup::find(type, name, -1);
}

ResourceData findResource(const char* type, int id) {
    if (id < 0) return {};
    return Lookup::find(type, nullptr, id);
}

bool isEmbedded(const ResourceData& data) {
    for (int i = 0; i < detail::kEntryCount; ++i)
        if (data.bytes == detail::kEntries[i].begin) return true;
    return false;
}

ScopedResourceOverride::ScopedResourceOverride() : previous_(g_override) {
    g_override = this;
}

ScopedResourceOverride::~ScopedResourceOverride() {
    // Overrides are scoped, so the one going away is the innermost.
    if (g_override == this) g_override = previous_;
}

void ScopedResourceOverride::add(const Rule& rule) {
    if (rule_count_ < kMaxRules) rules_[rule_count_++] = rule;
}

void ScopedResourceOverride::hide(const char* type, const char* name) {
    if (name != nullptr) add({type, name, -1, {}});
}

void ScopedResourceOverride::hide(const char* type, int id) {
    add({type, nullptr, id, {}});
}

void ScopedResourceOverride::replace(const char* type, int id, const void* bytes,
                                     std::size_t size) {
    add({type, nullptr, id, {static_cast<const std::uint8_t*>(bytes), bytes ? size : 0}});
}

void ScopedResourceOverride::replace(const char* type, const char* name, const void* bytes,
                                     std::size_t size) {
    if (name != nullptr)
        add({type, name, -1, {static_cast<const std::uint8_t*>(bytes), bytes ? size : 0}});
}

} // namespace corvane::resources
