#include "about/VersionInfo.h"

#include "base/ScopedFd.h"

#include <fcntl.h>
#include <gelf.h>
#include <libelf.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <vector>

namespace hozonix::about {

namespace {

std::optional<std::string> FindSection(Elf* elf, const char* wanted) {
    size_t namesIndex = 0;
    if (elf_getshdrstrndx(elf, &namesIndex) != 0)
        return std::nullopt;
    for (Elf_Scn* scn = elf_nextscn(elf, nullptr); scn != nullptr; scn = elf_nextscn(elf, scn)) {
        GElf_Shdr header;
        if (gelf_getshdr(scn, &header) == nullptr)
            continue;
        const char* name = elf_strptr(elf, namesIndex, header.sh_name);
        if (name == nullptr || std::strcmp(name, wanted) != 0 || header.sh_type == SHT_NOBITS)
            continue;
        std::string bytes;
        for (Elf_Data* data = elf_getdata(scn, nullptr); data != nullptr; data = elf_getdata(scn, data)) {
            if (data->d_buf != nullptr)
                bytes.append(static_cast<const char*>(data->d_buf), data->d_size);
        }
        return bytes;
    }
    return std::nullopt;
}

} // namespace

std::string CurrentProgramPath() {
    std::vector<char> buffer(4096);
    ssize_t n = readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (n <= 0 || static_cast<size_t>(n) >= buffer.size())
        return {};
    return std::string(buffer.data(), static_cast<size_t>(n));
}

std::optional<std::string> ReadVersionSection(const std::string& path) {
    if (elf_version(EV_CURRENT) == EV_NONE)
        return std::nullopt;
    // A pipe or device in the program's place neither holds up the open nor is read.
    ScopedFd fd(open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
    struct stat st {};
    if (fd.get() < 0 || fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode))
        return std::nullopt;
    Elf* elf = elf_begin(fd.get(), ELF_C_READ, nullptr);
    if (elf == nullptr)
        return std::nullopt;
    std::optional<std::string> section;
    if (elf_kind(elf) == ELF_K_ELF)
        section = FindSection(elf, VersionSectionName);
    elf_end(elf);
    return section;
}

std::optional<std::string> QueryVersionValue(const std::string& section, const std::string& lookupPath) {
    // The compiler stores the text with its terminating zero; nothing after it belongs to the table.
    std::istringstream in(section.substr(0, section.find('\0')));
    std::string line;
    while (std::getline(in, line)) {
        size_t eq = line.find('=');
        if (eq != std::string::npos && line.compare(0, eq, lookupPath) == 0)
            return line.substr(eq + 1);
    }
    return std::nullopt;
}

std::string FirstTranslationKey(const std::string& section) {
    std::optional<std::string> table = QueryVersionValue(section, "\\VarFileInfo\\Translation");
    if (!table)
        return {};
    std::istringstream words(*table);
    std::string language;
    std::string codePage;
    if (!(words >> language >> codePage))
        return {};
    char* end1 = nullptr;
    char* end2 = nullptr;
    unsigned long lang = std::strtoul(language.c_str(), &end1, 16);
    unsigned long cp = std::strtoul(codePage.c_str(), &end2, 16);
    if (*end1 != '\0' || *end2 != '\0' || lang > 0xFFFF || cp > 0xFFFF)
        return {};
    char key[9];
    std::snprintf(key, sizeof key, "%04lX%04lX", lang, cp);
    return key;
}

std::string FileVersionFromSection(const std::string& section) {
    std::string key = FirstTranslationKey(section);
    if (key.empty())
        return {};
    std::optional<std::string> version =
        QueryVersionValue(section, "\\StringFileInfo\\" + key + "\\FileVersion");
    if (!version)
        return {};
    return version->substr(0, MaxVersionLength);
}

std::string ReadFileVersion(const std::string& programPath) {
    std::optional<std::string> section = ReadVersionSection(programPath);
    return section ? FileVersionFromSection(*section) : std::string();
}

} // namespace hozonix::about
