// In-memory registry: two roots, case-insensitive keys and values, values in creation order.
#include <algorithm>
#include <cctype>
#include <cstring>
#include <sstream>

#include "platform/registry.h"
#include "platform/sim/sim_internal.h"

namespace simi {

namespace {

std::uint64_t nextSerial = 1;

std::vector<std::string> SplitPath(const std::string& path) {
    std::vector<std::string> parts;
    std::string cur;
    for (char c : path) {
        if (c == '\\') {
            if (!cur.empty()) parts.push_back(Lower(cur));
            cur.clear();
        } else {
            cur += c;
        }
    }
    if (!cur.empty()) parts.push_back(Lower(cur));
    return parts;
}

int RootIndex(const std::string& root) {
    std::string r = Lower(root);
    if (r == "hkcu" || r == "hkey_current_user") return 0;
    if (r == "hklm" || r == "hkey_local_machine") return 1;
    return -1;
}

RegKey* Find(int root, const std::vector<std::string>& path) {
    if (root < 0 || root > 1) return nullptr;
    RegKey* k = &S().roots[root];
    for (const std::string& p : path) {
        auto it = k->children.find(p);
        if (it == k->children.end()) return nullptr;
        k = it->second.get();
    }
    return k;
}

RegKey* Create(int root, const std::vector<std::string>& path, const std::vector<std::string>& names,
               bool* created) {
    RegKey* k = &S().roots[root];
    *created = false;
    for (std::size_t i = 0; i < path.size(); ++i) {
        auto it = k->children.find(path[i]);
        if (it == k->children.end()) {
            auto child = std::make_unique<RegKey>();
            child->serial = nextSerial++;
            child->name = i < names.size() ? names[i] : path[i];
            it = k->children.emplace(path[i], std::move(child)).first;
            *created = true;
        }
        k = it->second.get();
    }
    return k;
}

bool Denied(int root, const std::vector<std::string>& path) {
    for (const auto& [r, p] : S().denied) {
        if (r != root || p.size() > path.size()) continue;
        bool prefix = true;
        for (std::size_t i = 0; i < p.size() && prefix; ++i) prefix = p[i] == path[i];
        if (prefix) return true;
    }
    return false;
}

// Resolves a key handle or root constant; returns the error for a bad one.
long Resolve(Hkey h, int* root, std::vector<std::string>* path, RegKey** key) {
    if (h == HKEY_CURRENT_USER || h == HKEY_LOCAL_MACHINE) {
        *root = h == HKEY_CURRENT_USER ? 0 : 1;
        path->clear();
        *key = &S().roots[*root];
        return ERROR_SUCCESS;
    }
    auto it = S().keys.find(Id(h));
    if (it == S().keys.end()) return ERROR_INVALID_HANDLE;
    *root = it->second.root;
    *path = it->second.path;
    *key = Find(*root, *path);
    if (!*key || (*key)->serial != it->second.serial) return static_cast<long>(ERROR_KEY_DELETED);
    return ERROR_SUCCESS;
}

RegVal* FindValue(RegKey& k, const char* name) {
    std::string n = name ? name : "";
    for (RegVal& v : k.values) {
        if (EqualNoCase(v.name, n)) return &v;
    }
    return nullptr;
}

void SetValue(RegKey& k, const std::string& name, std::uint32_t type, std::vector<std::uint8_t> data) {
    if (RegVal* v = FindValue(k, name.c_str())) {
        v->type = type;
        v->data = std::move(data);
        return;
    }
    k.values.push_back({name, type, std::move(data)});
}

long OpenOrCreate(Hkey parent, const char* subKey, bool create, Hkey* result, std::uint32_t* disposition) {
    if (!result) return static_cast<long>(ERROR_INVALID_PARAMETER);
    int root;
    std::vector<std::string> path;
    RegKey* base;
    long rc = Resolve(parent, &root, &path, &base);
    if (rc != ERROR_SUCCESS) return rc;
    std::vector<std::string> names;
    if (subKey) {
        std::string cur;
        for (const char* p = subKey;; ++p) {
            if (*p == '\\' || *p == 0) {
                if (!cur.empty()) names.push_back(cur);
                cur.clear();
                if (*p == 0) break;
            } else {
                cur += *p;
            }
        }
    }
    for (const std::string& n : names) path.push_back(Lower(n));
    if (Denied(root, path)) return ERROR_ACCESS_DENIED;
    RegKey* k;
    bool created = false;
    if (create) {
        // Existing parts keep their own spelling; only the new ones take the caller's.
        std::vector<std::string> full(path.size() - names.size());
        for (const std::string& n : names) full.push_back(n);
        k = Create(root, path, full, &created);
    } else {
        k = Find(root, path);
        if (!k) return ERROR_FILE_NOT_FOUND;
    }
    if (disposition) *disposition = created ? 1u : 2u;  // REG_CREATED_NEW_KEY, REG_OPENED_EXISTING_KEY
    std::uintptr_t h = NewHandle();
    S().keys[h] = {root, path, k->serial};
    *result = As<Hkey>(h);
    return ERROR_SUCCESS;
}

}  // namespace

void InitRegistry() {
    for (RegKey& r : S().roots) r.serial = nextSerial++;
}

}  // namespace simi

using namespace simi;

namespace plat {

long RegCreateKeyEx(Hkey parent, const char* subKey, std::uint32_t, const char*, std::uint32_t,
                     std::uint32_t, void*, Hkey* result, std::uint32_t* disposition) {
    if (Failing(sim::Call::RegCreateKeyEx)) return ERROR_ACCESS_DENIED;
    Lock lk(Mu());
    return OpenOrCreate(parent, subKey, true, result, disposition);
}

long RegOpenKeyEx(Hkey parent, const char* subKey, std::uint32_t, std::uint32_t, Hkey* result) {
    if (Failing(sim::Call::RegOpenKeyEx)) return ERROR_ACCESS_DENIED;
    Lock lk(Mu());
    return OpenOrCreate(parent, subKey, false, result, nullptr);
}

long RegCloseKey(Hkey key) {
    Lock lk(Mu());
    if (key == HKEY_CURRENT_USER || key == HKEY_LOCAL_MACHINE) return ERROR_SUCCESS;
    return S().keys.erase(Id(key)) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}

long RegQueryValueEx(Hkey key, const char* name, std::uint32_t*, std::uint32_t* type,
                      std::uint8_t* data, std::uint32_t* cbData) {
    if (Failing(sim::Call::RegQueryValueEx)) return ERROR_ACCESS_DENIED;
    Lock lk(Mu());
    int root;
    std::vector<std::string> path;
    RegKey* k;
    long rc = Resolve(key, &root, &path, &k);
    if (rc != ERROR_SUCCESS) return rc;
    RegVal* v = FindValue(*k, name);
    if (!v) return ERROR_FILE_NOT_FOUND;
    if (data && !cbData) return static_cast<long>(ERROR_INVALID_PARAMETER);
    std::uint32_t size = static_cast<std::uint32_t>(v->data.size());
    if (type) *type = v->type;
    if (!data) {
        if (cbData) *cbData = size;
        return ERROR_SUCCESS;
    }
    if (*cbData < size) {
        *cbData = size;
        return ERROR_MORE_DATA;
    }
    if (size) std::memcpy(data, v->data.data(), size);
    *cbData = size;
    return ERROR_SUCCESS;
}

long RegSetValueEx(Hkey key, const char* name, std::uint32_t, std::uint32_t type,
                    const std::uint8_t* data, std::uint32_t cbData) {
    if (Failing(sim::Call::RegSetValueEx)) return ERROR_ACCESS_DENIED;
    Lock lk(Mu());
    int root;
    std::vector<std::string> path;
    RegKey* k;
    long rc = Resolve(key, &root, &path, &k);
    if (rc != ERROR_SUCCESS) return rc;
    if (!data && cbData) return static_cast<long>(ERROR_INVALID_PARAMETER);
    for (const std::string& n : S().failingValueWrites)
        if (EqualNoCase(n, name ? name : "")) return ERROR_ACCESS_DENIED;
    std::vector<std::uint8_t> bytes;
    if (data) bytes.assign(data, data + cbData);
    SetValue(*k, name ? name : "", type, std::move(bytes));
    return ERROR_SUCCESS;
}

long RegDeleteValue(Hkey key, const char* name) {
    Lock lk(Mu());
    int root;
    std::vector<std::string> path;
    RegKey* k;
    long rc = Resolve(key, &root, &path, &k);
    if (rc != ERROR_SUCCESS) return rc;
    std::string n = name ? name : "";
    for (auto it = k->values.begin(); it != k->values.end(); ++it) {
        if (EqualNoCase(it->name, n)) {
            k->values.erase(it);
            return ERROR_SUCCESS;
        }
    }
    return ERROR_FILE_NOT_FOUND;
}

long RegEnumValue(Hkey key, std::uint32_t index, char* name, std::uint32_t* cchName,
                   std::uint32_t*, std::uint32_t* type, std::uint8_t* data, std::uint32_t* cbData) {
    if (Failing(sim::Call::RegEnumValue)) return ERROR_ACCESS_DENIED;
    Lock lk(Mu());
    int root;
    std::vector<std::string> path;
    RegKey* k;
    long rc = Resolve(key, &root, &path, &k);
    if (rc != ERROR_SUCCESS) return rc;
    if (index >= k->values.size()) return ERROR_NO_MORE_ITEMS;
    if (!name || !cchName || (data && !cbData)) return static_cast<long>(ERROR_INVALID_PARAMETER);
    const RegVal& v = k->values[index];
    std::uint32_t size = static_cast<std::uint32_t>(v.data.size());
    bool nameFits = v.name.size() + 1 <= *cchName;
    bool dataFits = !data || *cbData >= size;
    if (cbData) *cbData = size;
    if (!nameFits || !dataFits) return ERROR_MORE_DATA;
    std::memcpy(name, v.name.c_str(), v.name.size() + 1);
    *cchName = static_cast<std::uint32_t>(v.name.size());
    if (type) *type = v.type;
    if (data && size) std::memcpy(data, v.data.data(), size);
    return ERROR_SUCCESS;
}

}  // namespace plat

namespace sim {

namespace {

// Reads a quoted .reg string starting at s[i] == '"'; i ends after the closing quote.
bool ParseQuoted(const std::string& s, std::size_t& i, std::string* out) {
    if (i >= s.size() || s[i] != '"') return false;
    ++i;
    out->clear();
    while (i < s.size()) {
        char c = s[i++];
        if (c == '"') return true;
        if (c == '\\' && i < s.size()) c = s[i++];
        *out += c;
    }
    return false;
}

bool ParseHexBytes(const std::string& s, std::vector<std::uint8_t>* out) {
    out->clear();
    std::string tok;
    auto flush = [&]() -> bool {
        if (tok.empty()) return true;
        if (tok.size() > 2) return false;
        out->push_back(static_cast<std::uint8_t>(std::stoul(tok, nullptr, 16)));
        tok.clear();
        return true;
    };
    for (char c : s) {
        if (c == ',') {
            if (!flush()) return false;
        } else if (std::isxdigit(static_cast<unsigned char>(c))) {
            tok += c;
        } else if (c != ' ' && c != '\t') {
            return false;
        }
    }
    return flush();
}

void ApplyValueLine(int root, const std::vector<std::string>& path, const std::vector<std::string>& names,
                    const std::string& line) {
    std::size_t i = 0;
    std::string name;
    if (line[0] == '@') {
        i = 1;
    } else if (!ParseQuoted(line, i, &name)) {
        return;
    }
    while (i < line.size() && line[i] == ' ') ++i;
    if (i >= line.size() || line[i] != '=') return;
    ++i;
    while (i < line.size() && line[i] == ' ') ++i;
    std::string rest = line.substr(i);
    bool created;
    RegKey* k = Create(root, path, names, &created);
    if (rest == "-") {
        for (auto it = k->values.begin(); it != k->values.end(); ++it) {
            if (EqualNoCase(it->name, name)) {
                k->values.erase(it);
                break;
            }
        }
        return;
    }
    if (!rest.empty() && rest[0] == '"') {
        std::size_t j = 0;
        std::string text;
        if (!ParseQuoted(rest, j, &text)) return;
        std::vector<std::uint8_t> data(text.begin(), text.end());
        data.push_back(0);
        SetValue(*k, name, plat::REG_SZ, std::move(data));
        return;
    }
    std::string lower = Lower(rest);
    if (lower.compare(0, 6, "dword:") == 0) {
        std::string digits = rest.substr(6);
        if (digits.empty() || digits.size() > 8) return;
        for (char c : digits)
            if (!std::isxdigit(static_cast<unsigned char>(c))) return;
        std::uint32_t v = static_cast<std::uint32_t>(std::stoul(digits, nullptr, 16));
        SetValue(*k, name, plat::REG_DWORD,
                 {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8),
                  static_cast<std::uint8_t>(v >> 16), static_cast<std::uint8_t>(v >> 24)});
        return;
    }
    std::uint32_t type = plat::REG_BINARY;
    std::string bytes;
    if (lower.compare(0, 4, "hex:") == 0) {
        bytes = rest.substr(4);
    } else if (lower.compare(0, 4, "hex(") == 0) {
        std::size_t close = rest.find(')');
        if (close == std::string::npos || close + 1 >= rest.size() || rest[close + 1] != ':') return;
        std::string t = rest.substr(4, close - 4);
        if (t.empty() || t.size() > 8) return;
        for (char c : t)
            if (!std::isxdigit(static_cast<unsigned char>(c))) return;
        type = static_cast<std::uint32_t>(std::stoul(t, nullptr, 16));
        bytes = rest.substr(close + 2);
    } else {
        return;
    }
    std::vector<std::uint8_t> data;
    if (!ParseHexBytes(bytes, &data)) return;
    SetValue(*k, name, type, std::move(data));
}

std::string Trim(const std::string& s) {
    std::size_t b = 0, e = s.size();
    while (b < e && (s[b] == ' ' || s[b] == '\t' || s[b] == '\r')) ++b;
    while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t' || s[e - 1] == '\r')) --e;
    return s.substr(b, e - b);
}

}  // namespace

void LoadReg(const std::string& text) {
    Lock lk(Mu());
    std::istringstream in(text);
    std::string raw;
    int root = -1;
    std::vector<std::string> path, names;
    std::string pending;
    while (std::getline(in, raw)) {
        std::string line = Trim(raw);
        // A trailing backslash continues hex data on the next line.
        if (!pending.empty()) line = pending + line;
        if (!line.empty() && line.back() == '\\' && line.find("=hex") != std::string::npos) {
            line.pop_back();
            pending = line;
            continue;
        }
        pending.clear();
        if (line.empty() || line[0] == ';') continue;
        if (line[0] == '[') {
            std::size_t close = line.rfind(']');
            if (close == std::string::npos) {
                root = -1;
                continue;
            }
            std::string section = line.substr(1, close - 1);
            bool remove = !section.empty() && section[0] == '-';
            if (remove) section = section.substr(1);
            std::size_t slash = section.find('\\');
            int r = RootIndex(section.substr(0, slash));
            std::string rest = slash == std::string::npos ? "" : section.substr(slash + 1);
            names.clear();
            {
                std::string cur;
                for (char c : rest + "\\") {
                    if (c == '\\') {
                        if (!cur.empty()) names.push_back(cur);
                        cur.clear();
                    } else {
                        cur += c;
                    }
                }
            }
            path = SplitPath(rest);
            if (r < 0) {
                root = -1;
                continue;
            }
            if (remove) {
                root = -1;
                if (path.empty()) continue;  // a root cannot be deleted
                std::vector<std::string> parentPath(path.begin(), path.end() - 1);
                if (RegKey* parent = Find(r, parentPath)) parent->children.erase(path.back());
                continue;
            }
            root = r;
            bool created;
            Create(root, path, names, &created);
            continue;
        }
        if (root < 0) continue;
        if (line[0] == '"' || line[0] == '@') ApplyValueLine(root, path, names, line);
    }
}

std::uint32_t RegValue::AsDword() const {
    if (data.size() < 4) return 0;
    return static_cast<std::uint32_t>(data[0]) | (static_cast<std::uint32_t>(data[1]) << 8) |
           (static_cast<std::uint32_t>(data[2]) << 16) | (static_cast<std::uint32_t>(data[3]) << 24);
}

std::string RegValue::AsString() const {
    std::string s;
    for (std::uint8_t b : data) {
        if (b == 0) break;
        s += static_cast<char>(b);
    }
    return s;
}

RegValue GetValue(const std::string& root, const std::string& path, const std::string& name) {
    Lock lk(Mu());
    RegValue r;
    RegKey* k = Find(RootIndex(root), SplitPath(path));
    if (!k) return r;
    if (RegVal* v = FindValue(*k, name.c_str())) {
        r.exists = true;
        r.type = v->type;
        r.data = v->data;
    }
    return r;
}

bool KeyExists(const std::string& root, const std::string& path) {
    Lock lk(Mu());
    return Find(RootIndex(root), SplitPath(path)) != nullptr;
}

std::vector<std::string> ValueNames(const std::string& root, const std::string& path) {
    Lock lk(Mu());
    std::vector<std::string> names;
    if (RegKey* k = Find(RootIndex(root), SplitPath(path))) {
        for (const RegVal& v : k->values) names.push_back(v.name);
    }
    return names;
}

void DenyAccess(const std::string& root, const std::string& path) {
    Lock lk(Mu());
    int r = RootIndex(root);
    if (r >= 0) S().denied.push_back({r, SplitPath(path)});
}

void FailValueWrite(const std::string& name, bool fail) {
    Lock lk(Mu());
    auto& names = S().failingValueWrites;
    names.erase(std::remove(names.begin(), names.end(), name), names.end());
    if (fail) names.push_back(name);
}

}  // namespace sim
