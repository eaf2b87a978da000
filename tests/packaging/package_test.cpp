// The Debian packages of this build: CPack makes them, their control data, file lists and
// maintainer scripts are checked, lintian finds no error or warning in any, and, unpacked one by
// one into a temporary root with dpkg -x: the server package alone serves the simulated board
// with its own vorn-iod to its own vornpilot-headless, without Qt, and its metrics are scraped; the
// desktop package's window program starts on top of it; a client builds against the -dev package's
// header through its pkg-config file.

#include <gtest/gtest.h>
#include <httplib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <nlohmann/json.hpp>
#include <regex>
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

// Whether one pass of `program` opened the port-I/O library of the package's program folder
// `dir`: the dynamic loader names each file it loads.
bool OpensPackageLibrary(const std::string& program, const std::string& dir,
                         std::vector<std::string> env) {
    env.push_back("LD_DEBUG=files");
    const ProgramResult r = RunProgram({program, "--once", "--json"}, env);
    const bool opened =
        r.exitCode == 0 && r.err.find("file=" + dir + "/libvorn-io.so") != std::string::npos;
    EXPECT_TRUE(opened) << program << ": " << r.err.substr(0, 4000);
    return opened;
}

const std::string SERVER = "vornpilot-headless";
const std::string DESKTOP = "vornpilot";
const std::string DEV = "libvorn-io-dev";

// One test: CPack runs once, and only one CPack works in the build tree at a time.
class PackageTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ProgramResult r = RunProgram(
            {VORN_CPACK, "-G", "DEB", "--config", VORN_CPACK_CONFIG, "-B", m_dir->PathOf("out")},
            {}, 300000);
        ASSERT_EQ(r.exitCode, 0) << r.out << r.err;
        for (const auto& e : std::filesystem::directory_iterator(m_dir->PathOf("out"))) {
            if (e.path().extension() == ".deb") {
                const std::string name = e.path().filename();
                m_debs[name.substr(0, name.find('_'))] = e.path();
            }
        }
        for (const std::string& package : {SERVER, DESKTOP, DEV})
            ASSERT_TRUE(m_debs.count(package)) << package << " was not made";
        ASSERT_EQ(m_debs.size(), 3u);
    }
    void ControlDataAndMaintainerScripts();
    void FileList();
    void UnpackedProgramsRunOnTheSimulatedBoard();

    std::unique_ptr<CTempDir> m_dir = std::make_unique<CTempDir>();
    std::map<std::string, std::string> m_debs;  // package name -> file
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
    struct Case {
        std::string package;
        std::vector<std::string> depends;  // dpkg-shlibdeps found what the programs link against
        bool qt;
    };
    const std::string exact = " (= " VORN_PACKAGE_VERSION ")";
#ifdef VORN_HAVE_WINDOW
    const bool window = true;
#else
    const bool window = false;  // a build without the window makes a vornpilot without Qt
#endif
    const Case cases[] = {
        {SERVER, {"adduser", "libc6", "libmicrohttpd", "libxml2"}, false},
        {DESKTOP, {SERVER + exact, "libc6"}, window},
        {DEV, {SERVER + exact}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.package);
        ProgramResult r = RunProgram({"/usr/bin/dpkg-deb", "--field", m_debs[c.package]});
        ASSERT_EQ(r.exitCode, 0) << r.err;
        EXPECT_NE(r.out.find("Package: " + c.package + "\n"), std::string::npos) << r.out;
        EXPECT_NE(r.out.find("Version: " VORN_PACKAGE_VERSION "\n"), std::string::npos) << r.out;
        r = RunProgram({"/usr/bin/dpkg-deb", "--field", m_debs[c.package], "Depends"});
        for (const std::string& dependency : c.depends)
            EXPECT_NE(r.out.find(dependency), std::string::npos) << dependency << "\n" << r.out;
        EXPECT_EQ(r.out.find("qt") != std::string::npos, c.qt) << r.out;
        r = Shell("lintian --fail-on error,warning " + m_debs[c.package] + " 2>&1");
        EXPECT_EQ(r.exitCode, 0) << r.out;
    }
    // The server package takes over the files of the single package that came before.
    ProgramResult r = RunProgram({"/usr/bin/dpkg-deb", "--field", m_debs[SERVER], "Replaces"});
    EXPECT_EQ(r.out, "vornpilot (<< 2.0-2~)\n");

    const std::string control = m_dir->PathOf("control");
    r = RunProgram({"/usr/bin/dpkg-deb", "--control", m_debs[SERVER], control});
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

    // The services belong to the server package: the others have no maintainer scripts.
    for (const std::string& package : {DESKTOP, DEV}) {
        const std::string dir = m_dir->PathOf("control-" + package);
        ASSERT_EQ(RunProgram({"/usr/bin/dpkg-deb", "--control", m_debs[package], dir}).exitCode, 0);
        for (const char* script : {"postinst", "prerm", "postrm", "conffiles"})
            EXPECT_FALSE(std::filesystem::exists(dir + "/" + script)) << package << " " << script;
    }
}

void PackageTest::FileList() {
    std::map<std::string, std::string> owner;  // file -> package
    std::map<std::string, std::string> links;
    for (const auto& [package, deb] : m_debs) {
        ProgramResult r = RunProgram({"/usr/bin/dpkg-deb", "--contents", deb});
        ASSERT_EQ(r.exitCode, 0) << r.err;
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
            if (line[0] == 'd')
                continue;
            EXPECT_FALSE(owner.count(name)) << name << " in " << owner[name] << " and " << package;
            owner[name] = package;
        }
    }
    const std::map<std::string, std::vector<std::string>> expected = {
        {SERVER,
         {PROGRAM_DIR + "/vornpilot-headless",
          PROGRAM_DIR + "/vorn-iod",
          PROGRAM_DIR + "/vornsim",
          PROGRAM_DIR + "/vornio-listen",
          PROGRAM_DIR + "/libvorn-io.so",
          PROGRAM_DIR + "/EHF-SIM.ini",
          PROGRAM_DIR + "/MB-945P_EHF.ini",
          PROGRAM_DIR + "/sim/EHF-SIM.simboard",
          PROGRAM_DIR + "/sim/EHF-SIM.dmi/board_name",
          PROGRAM_DIR + "/hwmon-demo/devices/platform/nct6775.656/hwmon/hwmon4/name",
          "/usr/bin/vornpilot-headless",
          "/usr/bin/vornsim",
          "/usr/bin/vornio-listen",
          "/lib/systemd/system/vorn-iod.service",
          "/lib/systemd/system/vornpilot.service",
          "/etc/default/vornpilot",
          "/usr/share/man/man1/vornpilot-headless.1.gz",
          "/usr/share/doc/vornpilot-headless/copyright",
          "/usr/share/doc/vornpilot-headless/changelog.Debian.gz",
          "/usr/share/doc/vornpilot-headless/examples/vornpilot-alerts.yml",
          "/usr/share/polkit-1/rules.d/60-vornpilot.rules",
          "/usr/share/lintian/overrides/vornpilot-headless"}},
        {DESKTOP,
         {PROGRAM_DIR + "/vornpilot", PROGRAM_DIR + "/vorn-xslt", PROGRAM_DIR + "/SkinDefine.xml",
          PROGRAM_DIR + "/history.js", PROGRAM_DIR + "/events.js",
          PROGRAM_DIR + "/skins/compact/SkinDefine.xml", PROGRAM_DIR + "/skins/compact/history.js",
          PROGRAM_DIR + "/skins/compact/events.js", "/usr/bin/vornpilot",
          "/usr/share/applications/vornpilot.desktop",
          "/usr/share/icons/hicolor/scalable/apps/vornpilot.svg",
          "/usr/share/man/man1/vornpilot.1.gz", "/usr/share/doc/vornpilot/copyright",
          "/usr/share/doc/vornpilot/changelog.Debian.gz",
          "/usr/share/lintian/overrides/vornpilot"}},
        {DEV,
         {"/usr/include/vornio.h", "/usr/share/doc/libvorn-io-dev/copyright",
          "/usr/share/doc/libvorn-io-dev/changelog.Debian.gz"}},
    };
    for (const auto& [package, files] : expected) {
        for (const std::string& f : files)
            EXPECT_EQ(owner[f], package) << f;
    }
    EXPECT_EQ(links["/usr/bin/vornpilot"], "../lib/vornpilot/vornpilot");
    EXPECT_EQ(links["/usr/bin/vornpilot-headless"], "../lib/vornpilot/vornpilot-headless");
    bool pkgConfig = false;
    for (const auto& [f, package] : owner) {
        if (f.ends_with("/pkgconfig/vorn-io.pc")) {
            pkgConfig = true;
            EXPECT_EQ(package, DEV);
        }
        // Nothing of the window in the server package.
        if (package == SERVER) {
            EXPECT_FALSE(f.ends_with(".bmp") || f.ends_with(".xsl") || f.ends_with(".desktop"))
                << f;
        }
        EXPECT_EQ(f.find("test"), std::string::npos) << "a test in the package: " << f;
        EXPECT_EQ(f.find("bench"), std::string::npos) << "a benchmark in the package: " << f;
        EXPECT_EQ(f.rfind("/usr/local", 0), std::string::npos) << f;
    }
    EXPECT_TRUE(pkgConfig) << "no vorn-io.pc";
}

void PackageTest::UnpackedProgramsRunOnTheSimulatedBoard() {
    // The server package alone first.
    const std::string root = m_dir->PathOf("root");
    ProgramResult r = RunProgram({"/usr/bin/dpkg", "-x", m_debs[SERVER], root});
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

    auto onePass = [&](const std::vector<std::string>& argv) {
        SCOPED_TRACE(argv.front());
        ProgramResult pass = RunProgram(argv, env);
        ASSERT_EQ(pass.exitCode, 0) << pass.err;
        const nlohmann::json json = nlohmann::json::parse(pass.out);
        EXPECT_EQ(json["items"].size(), 18u) << "the board file of the program folder was read";
        EXPECT_EQ(json["problems"].size(), 0u) << pass.out;
        bool hot = false;
        for (const auto& item : json["items"])
            hot =
                hot || (item["pin"] == "CPUTEMPERATURE" && item["value"] == 82.5 && item["alarm"]);
        EXPECT_TRUE(hot) << pass.out;
    };
    onePass({root + "/usr/bin/vornpilot-headless", "--once", "--json"});
    // It ran with the package's library, not the build's (opened from the program folder when
    // the chip is read), and with no Qt at all.
    EXPECT_TRUE(OpensPackageLibrary(root + "/usr/bin/vornpilot-headless", dir, env));
    r = Shell("ldd " + dir + "/vornpilot-headless");
    EXPECT_EQ(r.out.find("libQt"), std::string::npos) << r.out;
    // What a server runs it for: the metrics, scraped over HTTP.
    {
        CRunningProgram metrics(
            {root + "/usr/bin/vornpilot-headless", "--metrics-listen", "127.0.0.1:0"}, env);
        const std::regex served("metrics at http://127\\.0\\.0\\.1:([0-9]+)/metrics");
        int port = 0;
        ASSERT_TRUE(metrics.WaitForErrors(
            [&](const std::string& err) {
                std::smatch m;
                if (std::regex_search(err, m, served))
                    port = std::stoi(m[1]);
                return port != 0;
            },
            20000))
            << metrics.Errors();
        // The pass's figures follow the first pass.
        httplib::Client client("127.0.0.1", port);
        const std::string pathLine = "vornpilot_chip_path{path=\"raw\"} 1";
        std::string body;
        for (int i = 0; i < 200 && body.find(pathLine) == std::string::npos; ++i) {
            httplib::Result scrape = client.Get("/metrics");
            ASSERT_TRUE(scrape);
            body = scrape->body;
            if (body.find(pathLine) == std::string::npos)
                ::usleep(100000);
        }
        EXPECT_NE(body.find(pathLine), std::string::npos) << body;
    }

    // The desktop package on top: the window program, its console, and its help.
    r = RunProgram({"/usr/bin/dpkg", "-x", m_debs[DESKTOP], root});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    r = RunProgram({root + "/usr/bin/vornpilot", "--help"}, env);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("--window"), std::string::npos) << r.out;
    onePass({root + "/usr/bin/vornpilot", "--console", "--once", "--json"});
    EXPECT_TRUE(OpensPackageLibrary(root + "/usr/bin/vornpilot", dir, env));

    // The -dev package: a client program builds against the header and library through the
    // pkg-config file.
    r = RunProgram({"/usr/bin/dpkg", "-x", m_debs[DEV], root});
    ASSERT_EQ(r.exitCode, 0) << r.err;
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
    r = Shell("grep '^ExecStart=' " + units + "/vornpilot.service");
    EXPECT_EQ(r.out, "ExecStart=" + dir + "/vornpilot-headless $VORNPILOT_OPTIONS\n");
    iod.Signal(SIGTERM);
    iod.Finish(5000);
}

}  // namespace
