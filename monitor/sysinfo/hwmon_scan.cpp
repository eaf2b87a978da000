#include "hwmon_scan.h"

#include <algorithm>
#include <charconv>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <tuple>

namespace fs = std::filesystem;

namespace {

// The first line of a text attribute, without trailing blanks; nullopt when it cannot be read.
std::optional<std::string> ReadLine(const fs::path& path) {
    std::ifstream in(path);
    std::string text;
    if (!in || !std::getline(in, text))
        return std::nullopt;
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r'))
        text.pop_back();
    return text;
}

// The names in a directory. A directory that vanishes or fails half-way gives what was listed
// (the range-for form of a directory walk throws on such an error).
std::vector<std::string> ListDirectory(const fs::path& dir) {
    std::vector<std::string> names;
    std::error_code ec;
    for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec))
        names.push_back(it->path().filename().string());
    return names;
}

// "hwmon12" → 12; -1 for entries that are not hwmon devices.
int HwmonNumber(const std::string& entry) {
    if (entry.rfind("hwmon", 0) != 0 || entry.size() == 5)
        return -1;
    int n = 0;
    auto [end, ec] = std::from_chars(entry.data() + 5, entry.data() + entry.size(), n);
    return ec == std::errc() && end == entry.data() + entry.size() ? n : -1;
}

// The device's sysfs path below the root, or "" when it has no device link.
std::string DevicePath(const fs::path& hwmonDir, const fs::path& root) {
    std::error_code ec;
    const fs::path link = hwmonDir / "device";
    if (!fs::is_symlink(link, ec))
        return "";
    const fs::path target = fs::canonical(link, ec);
    if (ec)
        return "";
    const fs::path relative = target.lexically_relative(root);
    if (relative.empty() || *relative.begin() == "..")
        return target.string();
    return relative.string();
}

std::string Attribute(const fs::path& dir, const std::string& name) {
    std::error_code ec;
    const fs::path path = dir / name;
    return fs::is_regular_file(path, ec) ? path.string() : "";
}

// What names a channel within its device: its label, else the channel ("fan2").
std::string ChannelWord(const SHwmonChannel& channel) {
    return channel.Label.empty() ? channel.Channel : channel.Label;
}

void AddChannel(SHwmonDevice& device, const fs::path& dir, EHwmonKind kind, int index,
                const std::string& channel) {
    SHwmonChannel c;
    c.Kind = kind;
    c.Index = index;
    c.Channel = channel;
    c.InputPath = (dir / (channel + "_input")).string();
    c.MinPath = Attribute(dir, channel + "_min");
    c.MaxPath = Attribute(dir, channel + "_max");
    c.LcritPath = Attribute(dir, channel + "_lcrit");
    c.CritPath = Attribute(dir, channel + "_crit");
    for (const char* alarm :
         {"_alarm", "_min_alarm", "_max_alarm", "_lcrit_alarm", "_crit_alarm"}) {
        std::string path = Attribute(dir, channel + alarm);
        if (!path.empty())
            c.AlarmPaths.push_back(std::move(path));
    }
    c.Label = ReadLine(dir / (channel + "_label")).value_or("");
    // A labelled channel keeps its device's name in front: two devices may both call a
    // channel "Composite" or "temp1".
    c.DisplayName = device.Name + " " + ChannelWord(c);
    device.Channels.push_back(std::move(c));
}

// Channels whose names collide, as (device, channel) indices.
using ChannelRefs = std::vector<std::pair<size_t, size_t>>;

std::map<std::string, ChannelRefs> SharedNames(const std::vector<SHwmonDevice>& devices) {
    std::map<std::string, ChannelRefs> byName;
    for (size_t d = 0; d < devices.size(); ++d) {
        for (size_t c = 0; c < devices[d].Channels.size(); ++c)
            byName[devices[d].Channels[c].DisplayName].emplace_back(d, c);
    }
    std::erase_if(byName, [](const auto& entry) { return entry.second.size() < 2; });
    return byName;
}

// The last component of an identity: "nvme0" of ".../nvme/nvme0", "coretemp.1".
std::string LastComponent(const std::string& identity) {
    return identity.substr(identity.rfind('/') + 1);
}

bool IsNumber(const std::string& text) {
    return !text.empty() && text.find_first_not_of("0123456789") == std::string::npos;
}

// Two devices of one name (two NVMe drives, a coretemp per processor package) give the same
// names. Where the last components of their identities tell them apart, those stand for the
// device's name ("nvme0 Composite", "nvme1 Composite"); else the names are numbered in identity
// order ("acpitz temp1", "acpitz temp1 (2)"). Both come from the identity, so a name stays the
// same across boots, whatever hwmonN the kernel gives the device.
void MakeNamesUnique(std::vector<SHwmonDevice>& devices) {
    for (const auto& [name, refs] : SharedNames(devices)) {
        std::set<std::string> lasts;
        bool telling = true;
        for (const auto& [d, c] : refs) {
            const std::string last = LastComponent(devices[d].Identity);
            telling = telling && !IsNumber(last) && lasts.insert(last).second;
        }
        if (!telling)
            continue;
        for (const auto& [d, c] : refs) {
            SHwmonChannel& channel = devices[d].Channels[c];
            channel.DisplayName = LastComponent(devices[d].Identity) + " " + ChannelWord(channel);
        }
    }
    for (auto [name, refs] : SharedNames(devices)) {
        std::sort(refs.begin(), refs.end(), [&devices](const auto& a, const auto& b) {
            return std::tie(devices[a.first].Identity,
                            devices[a.first].Channels[a.second].Channel) <
                   std::tie(devices[b.first].Identity, devices[b.first].Channels[b.second].Channel);
        });
        for (size_t k = 1; k < refs.size(); ++k) {
            devices[refs[k].first].Channels[refs[k].second].DisplayName +=
                " (" + std::to_string(k + 1) + ")";
        }
    }
}

// Channels in the order voltages, temperatures, fans, each by N; a channel counts when the
// kernel offers its input.
void ScanChannels(SHwmonDevice& device, const fs::path& dir) {
    std::set<std::tuple<int, int, std::string>> found;
    for (const std::string& file : ListDirectory(dir)) {
        const size_t underscore = file.find('_');
        if (underscore == std::string::npos || file.substr(underscore) != "_input")
            continue;
        EHwmonKind kind;
        int index = 0;
        const std::string channel = file.substr(0, underscore);
        if (ParseHwmonChannel(channel, &kind, &index))
            found.emplace(static_cast<int>(kind), index, channel);
    }
    for (const auto& [kind, index, channel] : found)
        AddChannel(device, dir, static_cast<EHwmonKind>(kind), index, channel);
}

}  // namespace

bool ParseHwmonChannel(const std::string& channel, EHwmonKind* kind, int* index) {
    static const std::pair<const char*, EHwmonKind> PREFIXES[] = {
        {"in", EHwmonKind::Voltage}, {"temp", EHwmonKind::Temperature}, {"fan", EHwmonKind::Fan}};
    for (const auto& [prefix, k] : PREFIXES) {
        const std::string p = prefix;
        if (channel.size() <= p.size() || channel.compare(0, p.size(), p) != 0)
            continue;
        const char* first = channel.data() + p.size();
        const char* last = channel.data() + channel.size();
        if (*first < '0' || *first > '9')
            return false;
        int n = 0;
        auto [end, ec] = std::from_chars(first, last, n);
        if (ec != std::errc() || end != last)
            return false;
        *kind = k;
        *index = n;
        return true;
    }
    return false;
}

std::vector<SHwmonDevice> ScanHwmonDevices(const std::string& sysfsRoot) {
    std::error_code ec;
    const fs::path root = fs::canonical(sysfsRoot, ec);
    if (ec)
        return {};
    std::map<int, fs::path> entries;
    for (const std::string& entry : ListDirectory(root / "class" / "hwmon")) {
        const int n = HwmonNumber(entry);
        if (n >= 0)
            entries.emplace(n, root / "class" / "hwmon" / entry);
    }

    std::vector<SHwmonDevice> devices;
    std::map<std::string, int> virtualCount;
    for (const auto& [n, hwmonDir] : entries) {
        SHwmonDevice device;
        // Older kernels keep the attributes in the parent device's directory.
        fs::path dir = hwmonDir;
        std::optional<std::string> name = ReadLine(dir / "name");
        if (!name) {
            dir = hwmonDir / "device";
            name = ReadLine(dir / "name");
        }
        if (!name || name->empty())
            continue;
        device.Name = *name;
        device.Directory = dir.string();
        device.Identity = DevicePath(hwmonDir, root);
        if (device.Identity.empty())
            device.Identity =
                "virtual/" + device.Name + "/" + std::to_string(virtualCount[device.Name]++);
        ScanChannels(device, dir);
        devices.push_back(std::move(device));
    }

    // One device may register more than one hwmon device: the name, then a count, tells them
    // apart.
    std::map<std::string, int> seen;
    for (const auto& d : devices)
        ++seen[d.Identity];
    std::map<std::string, int> repeat;
    for (auto& d : devices) {
        if (seen[d.Identity] < 2)
            continue;
        std::string identity = d.Identity + "/" + d.Name;
        const int k = repeat[identity]++;
        d.Identity = k == 0 ? identity : identity + "/" + std::to_string(k);
    }
    MakeNamesUnique(devices);
    return devices;
}
