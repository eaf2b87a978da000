// The Debian package of this build: CPack makes it, its control data, file list and maintainer
// scripts are checked, lintian finds no error or warning, and, unpacked into a temporary root
// with dpkg -x, its own vorn-iod serves the simulated board to its own vornpilot, and a client
// builds against its header through its pkg-config file.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <nlohmann/json.hpp>
#include <set>
#include <sstream>

#include "monitor_environment.h"
#include "run_program.h"
#include "running_program.h"
#include "temp_dir.h"

namespace {

const std::string PROGRAM_DIR = "/usr/lib/vornpilot";

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::stringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

ProgramResult Shell(const std::string& command, int timeoutMs = 120000) {
    return RunProgram({"/bin/sh", "-c", command}, {}, timeoutMs);
}

// One test: CPack runs once, and only one CPack works in the build tree at a time.
class PackageTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ProgramResult r = RunProgram(
            {VORN_CPACK, "-G", "DEB", "--config", VORN_CPACK_CONFIG, "-B", m_dir->PathOf("out")},
            {}, 300000);
        ASSERT_EQ(r.exitCode, 0) << r.out << r.err;
        for (const auto& e : std::filesystem::directory_iterator(m_dir->PathOf("out"))) {
            if (e.path().extension() == ".deb")
                m_deb = e.path();
        }
        ASSERT_FALSE(m_deb.empty()) << "no package was made";
    }
    void ControlDataAndMaintainerScripts();
    void FileList();
    void UnpackedProgramsRunOnTheSimulatedBoard();

    std::unique_ptr<CTempDir> m_dir = std::make_unique<CTempDir>();
    std::string m_deb;
};

TEST_F(PackageTest, BuildsChecksAndRunsUnpacked) {
    {
        SCOPED_TRACE("control data and maintainer scripts");
        ControlDataAndMaintainerScripts();
    }
    {
        SCOPED_TRACE("file list");
        FileList();
    }
    {
        SCOPED_TRACE("unpacked programs");
        UnpackedProgramsRunOnTheSimulatedBoard();
    }
}

void PackageTest::ControlDataAndMaintainerScripts() {
    ProgramResult r = RunProgram({"/usr/bin/dpkg-deb", "--field", m_deb});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("Package: vornpilot\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("Version: " VORN_PACKAGE_VERSION "\n"), std::string::npos) << r.out;
    // dpkg-shlibdeps found what the programs link against.
    for (const char* dependency : {"adduser", "libc6", "libmicrohttpd", "libxml2"})
        EXPECT_NE(r.out.find(dependency), std::string::npos) << dependency << "\n" << r.out;

    const std::string control = m_dir->PathOf("control");
    r = RunProgram({"/usr/bin/dpkg-deb", "--control", m_deb, control});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    for (const char* script : {"postinst", "prerm", "postrm"}) {
        const std::string path = control + "/" + script;
        struct stat st {};
        ASSERT_EQ(::stat(path.c_str(), &st), 0) << script;
        EXPECT_EQ(st.st_mode & 0777, 0755u) << script;
        EXPECT_EQ(RunProgram({"/bin/sh", "-n", path}).exitCode, 0) << script;
    }
    r = Shell("cat " + control + "/conffiles");
    EXPECT_EQ(r.out, "/etc/default/vornpilot\n");

    // The scripts on this machine, which has no board the package knows, with the system's
    // tools replaced by ones that only log their calls: users and groups are made, the
    // services are recorded but neither enabled nor started; a purge removes the settings.
    const std::string fakes = m_dir->PathOf("fakes");
    const std::string calls = m_dir->PathOf("calls.log");
    std::filesystem::create_directories(fakes);
    for (const char* tool :
         {"addgroup", "adduser", "deb-systemd-helper", "deb-systemd-invoke", "systemctl", "rm"}) {
        ASSERT_TRUE(
            m_dir->WriteFile("fakes/" + std::string(tool),
                             "#!/bin/sh\necho \"$(basename \"$0\") $*\" >> " + calls + "\n"));
        ::chmod((fakes + "/" + tool).c_str(), 0755);
    }
    r = Shell("PATH=" + fakes + ":$PATH; " + control + "/postinst configure '' && " + control +
              "/prerm remove && " + control + "/postrm remove && " + control +
              "/postrm purge && cat " + calls);
    ASSERT_EQ(r.exitCode, 0) << r.out << r.err;
    for (const char* call :
         {"addgroup --system --quiet vornio\n", "adduser --quiet vornpilot vornio\n",
          "deb-systemd-helper update-state vorn-iod.service\n",
          "deb-systemd-helper update-state vornpilot.service\n",
          "deb-systemd-helper purge vorn-iod.service vornpilot.service\n",
          "rm -rf /var/lib/vornpilot\n"}) {
        EXPECT_NE(r.out.find(call), std::string::npos) << call << "\n" << r.out;
    }
    EXPECT_EQ(r.out.find("enable"), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find("start"), std::string::npos) << r.out;

    r = Shell("lintian --fail-on error,warning " + m_deb + " 2>&1");
    EXPECT_EQ(r.exitCode, 0) << r.out;
}

void PackageTest::FileList() {
    ProgramResult r = RunProgram({"/usr/bin/dpkg-deb", "--contents", m_deb});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    std::set<std::string> files;
    std::map<std::string, std::string> links;
    for (const std::string& line : Lines(r.out)) {
        // "-rw-r--r-- root/root  123 2026-12-07 19:21 ./usr/bin/x -> target"
        const size_t path = line.find(" ./");
        ASSERT_NE(path, std::string::npos) << line;
        std::string name = line.substr(path + 2);
        const size_t arrow = name.find(" -> ");
        if (arrow != std::string::npos) {
            links[name.substr(0, arrow)] = name.substr(arrow + 4);
            name.resize(arrow);
        }
        EXPECT_NE(line.find(" root/root "), std::string::npos) << line;
        if (line[0] != 'd')
            files.insert(name);
    }
    const std::set<std::string> expected = {
        PROGRAM_DIR + "/vornpilot",
        PROGRAM_DIR + "/vorn-iod",
        PROGRAM_DIR + "/vornsim",
        PROGRAM_DIR + "/vornio-listen",
        PROGRAM_DIR + "/vorn-xslt",
        PROGRAM_DIR + "/libvorn-io.so",
        PROGRAM_DIR + "/EHF-SIM.ini",
        PROGRAM_DIR + "/MB-945P_EHF.ini",
        PROGRAM_DIR + "/sim/EHF-SIM.simboard",
        PROGRAM_DIR + "/sim/EHF-SIM.dmi/board_name",
        PROGRAM_DIR + "/SkinDefine.xml",
        PROGRAM_DIR + "/history.js",
        PROGRAM_DIR + "/events.js",
        PROGRAM_DIR + "/skins/compact/SkinDefine.xml",
        PROGRAM_DIR + "/skins/compact/history.js",
        PROGRAM_DIR + "/skins/compact/events.js",
        "/usr/bin/vornpilot",
        "/usr/bin/vornsim",
        "/usr/bin/vornio-listen",
        "/lib/systemd/system/vorn-iod.service",
        "/lib/systemd/system/vornpilot.service",
        "/etc/default/vornpilot",
        "/usr/share/applications/vornpilot.desktop",
        "/usr/share/icons/hicolor/scalable/apps/vornpilot.svg",
        "/usr/include/vornio.h",
        "/usr/share/man/man1/vornpilot.1.gz",
        "/usr/share/doc/vornpilot/copyright",
        "/usr/share/doc/vornpilot/changelog.Debian.gz",
        "/usr/share/doc/vornpilot/examples/vornpilot-alerts.yml",
        "/usr/share/polkit-1/rules.d/60-vornpilot.rules",
        "/usr/share/lintian/overrides/vornpilot",
    };
    for (const std::string& f : expected)
        EXPECT_TRUE(files.count(f)) << f << " is missing";
    EXPECT_EQ(links["/usr/bin/vornpilot"], "../lib/vornpilot/vornpilot");
    bool pkgConfig = false;
    for (const std::string& f : files) {
        pkgConfig = pkgConfig || f.ends_with("/pkgconfig/vorn-io.pc");
        EXPECT_EQ(f.find("test"), std::string::npos) << "a test in the package: " << f;
        EXPECT_EQ(f.find("bench"), std::string::npos) << "a benchmark in the package: " << f;
        EXPECT_EQ(f.rfind("/usr/local", 0), std::string::npos) << f;
    }
    EXPECT_TRUE(pkgConfig) << "no vorn-io.pc";
}

void PackageTest::UnpackedProgramsRunOnTheSimulatedBoard() {
    const std::string root = m_dir->PathOf("root");
    ProgramResult r = RunProgram({"/usr/bin/dpkg", "-x", m_deb, root});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const std::string dir = root + PROGRAM_DIR;

    // The package's own service, on the simulated board it ships.
    CTempDir run;
    const std::string runtime = run.PathOf("run");
    std::filesystem::create_directories(runtime);
    CRunningProgram iod(
        {dir + "/vorn-iod", "--backend", "sim", "--runtime-dir", runtime, "--no-drift"}, {});
    ASSERT_TRUE(iod.Started());
    std::vector<std::string> env = MonitorEnvironment(runtime, run, "/bin/true");
    env.push_back("VORNPILOT_DMI_DIR=" + dir + "/sim/EHF-SIM.dmi");
    ProgramResult sim;
    for (int i = 0; i < 100; ++i) {
        sim = RunProgram({root + "/usr/bin/vornsim", "set", "CPUTEMPERATURE", "82.5"}, env);
        if (sim.exitCode == 0)
            break;
        ::usleep(50000);
    }
    ASSERT_EQ(sim.exitCode, 0) << sim.out << sim.err;

    r = RunProgram({root + "/usr/bin/vornpilot", "--once", "--json"}, env);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const nlohmann::json pass = nlohmann::json::parse(r.out);
    EXPECT_EQ(pass["items"].size(), 18u) << "the board file of the program folder was read";
    EXPECT_EQ(pass["problems"].size(), 0u) << r.out;
    bool hot = false;
    for (const auto& item : pass["items"])
        hot = hot || (item["pin"] == "CPUTEMPERATURE" && item["value"] == 82.5 && item["alarm"]);
    EXPECT_TRUE(hot) << r.out;
    // It ran with the package's library, not the build's.
    r = Shell("ldd " + dir + "/vornpilot");
    EXPECT_NE(r.out.find("libvorn-io.so => " + dir + "/libvorn-io.so"), std::string::npos) << r.out;

    // A client program builds against the header and library through the pkg-config file.
    ASSERT_TRUE(run.WriteFile("client.c",
                              "#include <vornio.h>\n"
                              "int main(void) { return IsStart() ? 0 : 1; }\n"));
    r = Shell("export PKG_CONFIG_ALLOW_SYSTEM_CFLAGS=1 PKG_CONFIG_SYSROOT_DIR=" + root +
              " PKG_CONFIG_PATH=$(dirname $(find " + root + " -name vorn-io.pc)); cc -o " +
              run.PathOf("client") + " " + run.PathOf("client.c") +
              " $(pkg-config --cflags --libs vorn-io) 2>&1");
    EXPECT_EQ(r.exitCode, 0) << r.out;

    // The desktop entry and the units are well formed; the units name programs that are
    // there once the program folder is where they say.
    r = Shell("desktop-file-validate " + root + "/usr/share/applications/vornpilot.desktop 2>&1");
    EXPECT_EQ(r.exitCode, 0) << r.out;
    const std::string units = run.PathOf("units");
    std::filesystem::create_directories(units);
    r = Shell("for u in vorn-iod vornpilot; do sed 's|" + PROGRAM_DIR + "|" + dir + "|g' " + root +
              "/lib/systemd/system/$u.service > " + units + "/$u.service || exit 1; done; cd " +
              units + " && systemd-analyze verify --man=no ./vorn-iod.service ./vornpilot.service" +
              " 2>&1");
    EXPECT_EQ(r.exitCode, 0) << r.out;
    iod.Signal(SIGTERM);
    iod.Finish(5000);
}

}  // namespace
