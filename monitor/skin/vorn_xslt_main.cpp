// vorn-xslt: runs one skin stylesheet over the sensor report, in a process of its own so that a
// stylesheet that runs away costs only this process. It limits itself first (processor time,
// memory, no files written, no child processes), reads the report from standard input, and writes
// the page to standard output. The stylesheet reads only files below the given folder.

#include <libxml/xmlmemory.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>

#include "xml_document.h"
#include "xml_read_scope.h"
#include "xslt_bounds.h"

namespace {

constexpr const char* USAGE =
    "Usage: vorn-xslt <stylesheet> <folder> < report.xml | ...\n"
    "Runs the skin's stylesheet over the report within the program's bounds; the stylesheet\n"
    "reads only files below <folder>. It writes no file: its output must be a pipe.\n";

void Limit(int resource, rlim_t soft, rlim_t hard) {
    const rlimit limit{soft, hard};
    setrlimit(resource, &limit);
}

void LimitSelf() {
    // Dies with the program that started it.
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0);
    close_range(3, ~0U, 0);
    Limit(RLIMIT_CPU, XSLT_CPU_SECONDS, XSLT_CPU_SECONDS + 1);
    Limit(RLIMIT_AS, XSLT_MEMORY_BYTES, XSLT_MEMORY_BYTES);
    Limit(RLIMIT_FSIZE, 0, 0);
    Limit(RLIMIT_CORE, 0, 0);
    Limit(RLIMIT_NPROC, 0, 0);
    Limit(RLIMIT_NOFILE, 16, 16);
    std::signal(SIGXFSZ, SIG_IGN);
}

// libxml2 and libxslt go on after a failed allocation with a result that is merely wrong (a
// string function gives -1): every failure of theirs is noted, and the page is not given out.
bool g_allocationFailed = false;

void* Noted(void* p) {
    if (p == nullptr)
        g_allocationFailed = true;
    return p;
}
void* XmlMalloc(size_t size) {
    return Noted(std::malloc(size));
}
void* XmlRealloc(void* p, size_t size) {
    return Noted(std::realloc(p, size));
}
char* XmlStrdup(const char* text) {
    return static_cast<char*>(Noted(strdup(text)));
}

[[noreturn]] void OutOfMemory() {
    constexpr char text[] = "the stylesheet needs more memory than it may use\n";
    (void)!write(STDERR_FILENO, text, sizeof text - 1);
    _exit(XSLT_EXIT_OUT_OF_MEMORY);
}

bool ReadInput(std::string& text) {
    char buf[65536];
    for (;;) {
        const size_t n = std::fread(buf, 1, sizeof buf, stdin);
        text.append(buf, n);
        if (text.size() > XSLT_MAX_INPUT_BYTES)
            return false;
        if (n < sizeof buf)
            return !std::ferror(stdin);
    }
}

int Fail(const std::string& message) {
    std::fprintf(stderr, "%s\n", message.c_str());
    return XSLT_EXIT_FAILED;
}

}  // namespace

int main(int argc, char** argv) {
    LimitSelf();
    xmlMemSetup(std::free, XmlMalloc, XmlRealloc, XmlStrdup);
    std::set_new_handler(OutOfMemory);
    if (argc != 3) {
        std::fputs(USAGE, stderr);
        return XSLT_EXIT_USAGE;
    }
    const std::string stylesheetPath = argv[1];
    std::string input;
    if (!ReadInput(input))
        return Fail("the report could not be read");
    CXmlDocument report;
    if (!report.LoadXml(input))
        return Fail("the report is not well-formed: " + report.LastError());
    struct stat st {};
    if (stat(stylesheetPath.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return Fail("there is no stylesheet file \"" + stylesheetPath + "\"");
    {
        const CXmlReadScope scope(argv[2]);
        if (!MayReadXmlFile(stylesheetPath))
            return Fail("reading \"" + stylesheetPath + "\" refused: not a file of the skin");
    }
    CXmlDocument stylesheet;
    if (!stylesheet.Load(stylesheetPath))
        return Fail(stylesheet.LastError());
    std::string page;
    const bool done = report.Transform(stylesheet, page, argv[2]);
    if (g_allocationFailed)
        OutOfMemory();
    if (!done)
        return Fail(report.LastError().empty() ? "the transformation failed" : report.LastError());
    if (std::fwrite(page.data(), 1, page.size(), stdout) != page.size() || std::fflush(stdout) != 0)
        return Fail("the page could not be written");
    return XSLT_EXIT_DONE;
}
