#pragma once
// The simulated kernel driver's sysfs tree below a root directory, laid out as the kernel lays
// out a platform hwmon device:
//
//   ROOT/devices/platform/w83627ehf.656/hwmon/hwmonN/   the attribute files (name, in0_input, ...)
//   ROOT/devices/platform/w83627ehf.656/driver -> ../../../bus/platform/drivers/w83627ehf
//   ROOT/devices/platform/w83627ehf.656/hwmon/hwmonN/device -> ../../../w83627ehf.656
//   ROOT/class/hwmon/hwmonN -> ../../devices/platform/w83627ehf.656/hwmon/hwmonN
//   ROOT/bus/platform/drivers/w83627ehf/w83627ehf.656 -> ../../../../devices/platform/w83627ehf.656
//   ROOT/module/w83627ehf/
//
// N is the lowest number free in ROOT/class/hwmon. Attribute files are replaced whole (a new
// file renamed over the old), so a reader never sees a half-written value; writable ones are
// 0644, the others 0444. A file whose content differs from what was rendered there was written
// by someone: that is how a write to the tree reaches the driver.

#include <map>
#include <optional>
#include <string>
#include <vector>

class CHwmonTree {
  public:
    static constexpr const char* PLATFORM_DEVICE = "w83627ehf.656";
    static constexpr const char* DRIVER = "w83627ehf";

    explicit CHwmonTree(std::string root) : m_root(std::move(root)) {}
    ~CHwmonTree();
    CHwmonTree(const CHwmonTree&) = delete;
    CHwmonTree& operator=(const CHwmonTree&) = delete;

    // Lays out the directories and links; a tree left behind by an earlier run is replaced.
    bool Create(std::string* error);
    // Takes the tree away again (the driver unloaded).
    void Remove();

    // Writes the attribute's file when its text changed since the last render (or force).
    bool Render(const std::string& name, const std::string& text, bool writable,
                bool force = false);
    // The content of a writable attribute's file when it differs from what was rendered and is
    // not empty (an empty file is a write still under way).
    std::optional<std::string> WrittenText(const std::string& name) const;

    // The attribute directory (the real one under devices/).
    const std::string& DeviceDir() const { return m_deviceDir; }
    // ROOT/class/hwmon/hwmonN.
    const std::string& ClassLink() const { return m_classLink; }

  private:
    std::string m_root;
    std::string m_deviceDir;
    std::string m_classLink;
    std::vector<std::string> m_created;  // links and directories to take away, in order
    std::vector<std::string> m_emptied;  // the driver's directories, taken away when empty
    std::map<std::string, std::string> m_rendered;
};
