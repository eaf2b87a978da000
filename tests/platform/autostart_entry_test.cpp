// The autostart entry's Exec line, read back the way the Desktop Entry rules say a session
// reads it (string escapes first, then the quoting, then "%%"), and checked by
// desktop-file-validate.

#include "autostart_entry.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <fstream>
#include <optional>
#include <sstream>
#include <vector>

#include "run_program.h"
#include "temp_dir.h"

namespace {

// The arguments of an Exec value as written in the file; nullopt when it does not parse.
std::optional<std::vector<std::string>> ExecArguments(const std::string& value) {
    std::string unescaped;
    for (size_t i = 0; i < value.size(); ++i) {
        if (value[i] != '\\') {
            unescaped += value[i];
            continue;
        }
        if (++i == value.size())
            return std::nullopt;
        const char c = value[i];
        unescaped += c == 's' ? ' ' : c == 'n' ? '\n' : c == 't' ? '\t' : c == 'r' ? '\r' : c;
        if (c != 's' && c != 'n' && c != 't' && c != 'r' && c != '\\')
            return std::nullopt;
    }
    std::vector<std::string> args;
    for (size_t i = 0; i < unescaped.size();) {
        if (unescaped[i] == ' ') {
            ++i;
            continue;
        }
        std::string arg;
        if (unescaped[i] == '"') {
            for (++i;; ++i) {
                if (i == unescaped.size())
                    return std::nullopt;
                char c = unescaped[i];
                if (c == '"')
                    break;
                if (c == '\\') {
                    c = unescaped[++i];
                    if (c != '"' && c != '`' && c != '$' && c != '\\')
                        return std::nullopt;
                } else if (c == '`' || c == '$') {
                    return std::nullopt;  // must be escaped inside quotes
                }
                arg += c;
            }
            ++i;
        } else {
            while (i < unescaped.size() && unescaped[i] != ' ')
                arg += unescaped[i++];
        }
        std::string plain;
        for (size_t k = 0; k < arg.size(); ++k) {
            if (arg[k] == '%' && (k + 1 == arg.size() || arg[++k] != '%'))
                return std::nullopt;  // a field code, not a literal "%"
            plain += arg[k];
        }
        args.push_back(plain);
    }
    return args;
}

TEST(AutostartEntry, EveryProgramFolderIsWrittenSoTheSessionStartsThatProgram) {
    CTempDir dir;
    ::setenv("XDG_CONFIG_HOME", dir.Path().c_str(), 1);
    const std::string folders[] = {
        "/opt/vornpilot/",   "/opt/vorn pilot/",  "/tmp/back\\slash/", "/tmp/q\"u`o$te/",
        "/tmp/100%/",        "/tmp/line\nbreak/", "/tmp/tab\there/",   "/home/j\xC3\xBCrgen/",
        "/tmp/two\\\\back/", "/tmp/'single'/",
    };
    for (const std::string& folder : folders) {
        SCOPED_TRACE(folder);
        const std::string program = folder + "vornpilot";
        CAutostartEntry entry("vornpilot", program);
        std::string error;
        ASSERT_TRUE(entry.Set(true, &error)) << error;
        std::ifstream in(entry.Path());
        std::string line, exec;
        while (std::getline(in, line)) {
            if (line.rfind("Exec=", 0) == 0)
                exec = line.substr(5);
        }
        const auto args = ExecArguments(exec);
        ASSERT_TRUE(args) << exec;
        EXPECT_EQ(*args, (std::vector<std::string>{program, "-s"})) << exec;
        const ProgramResult valid = RunProgram({"/usr/bin/desktop-file-validate", entry.Path()});
        EXPECT_EQ(valid.exitCode, 0) << exec << "\n" << valid.out << valid.err;
    }
    // What no entry can hold is refused, naming the folder; no entry is left behind.
    for (const std::string folder : {"/tmp/bell\x07/", "/tmp/not\xFFutf8/"}) {
        SCOPED_TRACE(folder);
        CAutostartEntry entry("vornpilot", folder + "vornpilot");
        ASSERT_TRUE(entry.Set(false));
        std::string error;
        EXPECT_FALSE(entry.Set(true, &error));
        EXPECT_EQ(error.find("the program folder \"/tmp/"), 0u) << error;
        EXPECT_FALSE(entry.Exists());
    }
    ::unsetenv("XDG_CONFIG_HOME");
}

}  // namespace
