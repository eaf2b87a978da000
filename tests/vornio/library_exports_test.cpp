// The shared library exports its 30 functions and nothing else: read from the dynamic symbol
// table of the built file.

#include <elf.h>
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

namespace {

// Names of the defined global symbols in the file's .dynsym; empty when it cannot be read.
std::set<std::string> DefinedDynamicSymbols(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    const std::vector<char> file((std::istreambuf_iterator<char>(in)),
                                 std::istreambuf_iterator<char>());
    std::set<std::string> names;
    if (file.size() < sizeof(Elf64_Ehdr) || std::memcmp(file.data(), ELFMAG, SELFMAG) != 0 ||
        file[EI_CLASS] != ELFCLASS64) {
        return names;
    }
    Elf64_Ehdr eh;
    std::memcpy(&eh, file.data(), sizeof eh);
    auto section = [&](size_t index) {
        Elf64_Shdr sh{};
        const size_t at = eh.e_shoff + index * sizeof(Elf64_Shdr);
        if (at + sizeof sh <= file.size())
            std::memcpy(&sh, file.data() + at, sizeof sh);
        return sh;
    };
    for (size_t i = 0; i < eh.e_shnum; ++i) {
        const Elf64_Shdr dynsym = section(i);
        if (dynsym.sh_type != SHT_DYNSYM)
            continue;
        const Elf64_Shdr strtab = section(dynsym.sh_link);
        for (size_t off = 0; off + sizeof(Elf64_Sym) <= dynsym.sh_size; off += sizeof(Elf64_Sym)) {
            Elf64_Sym sym;
            std::memcpy(&sym, file.data() + dynsym.sh_offset + off, sizeof sym);
            const unsigned bind = ELF64_ST_BIND(sym.st_info);
            if (sym.st_shndx == SHN_UNDEF || (bind != STB_GLOBAL && bind != STB_WEAK))
                continue;
            names.insert(file.data() + strtab.sh_offset + sym.st_name);
        }
    }
    return names;
}

}  // namespace

TEST(LibraryExports, ExactlyTheThirtyFunctions) {
    const std::set<std::string> expected = {
        "Start",
        "IsStart",
        "InPortB",
        "OutPortB",
        "ReadPortVal",
        "WritePortVal",
        "ReadMSR",
        "WriteMSR",
        "GetDllVersion",
        "WriteCommand",
        "ReadCommand",
        "WriteData",
        "ReadData",
        "IsACK",
        "IsBusy",
        "IsValid",
        "IsGX4410Exist",
        "SetAIP",
        "GetAIP",
        "RegisterHandle",
        "UnregisterHandle",
        "IsHandleRegistered",
        "GetRegisteredHandleCount",
        "GetRegisteredHandleList",
        "RegisterEvent",
        "IsEventRegistered",
        "GetRegisteredEventHandle",
        "SendMsgToClient",
        "ExitWaitingThread",
        "GetInterruptCount",
    };
    ASSERT_EQ(expected.size(), 30u);
    EXPECT_EQ(DefinedDynamicSymbols(std::string(VORN_BIN_DIR) + "/libvorn-io.so"), expected);
}
