// Device paths opened as inside a chroot: links within the device work, links out of it lead
// nowhere outside, and reads take only regular files, at once.
#include "substrate/TemporaryDevice.hpp"

#include <foundation/DeviceRoot.hpp>
#include <foundation/NSData.hpp>
#include <imageio/CGImageSource.hpp>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// One 1 x 1 frame.
const std::string gifBytes("GIF89a\x01\x00\x01\x00\x80\x00\x00\x00\x00\x00\xff\xff\xff!\xf9\x04\x01\x00\x00\x00\x00,\x00\x00\x00\x00\x01\x00\x01\x00\x00\x02\x02\x44\x01\x00;", 43);
const std::string outsideBytes = "outside the device";

std::string contents(const std::shared_ptr<NSData>& data)
{
    return data ? std::string(data->span().begin(), data->span().end()) : std::string("(none)");
}

std::string readHostFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

bool hasImageSource(const std::string& devicePath)
{
    auto source = CGImageSourceCreateWithURL(NSURL::fileURLWithPath(devicePath).get(), nullptr);
    if (source)
        CFRelease(source);
    return source;
}

class DeviceFiles : public testing::Test {
protected:
    void SetUp() override
    {
        m_outside = m_device.root().string() + "-outside";
        fs::create_directories(m_outside);
        std::ofstream(m_outside / "secret.gif", std::ios::binary) << outsideBytes;
        m_device.write("/var/mobile/Documents/real.gif", gifBytes);
    }
    void TearDown() override
    {
        DeviceRoot::Testing::setLinksRefused(false);
        fs::remove_all(m_outside);
    }

    void link(const fs::path& target, const std::string& devicePath) const
    {
        fs::create_directories(m_device.hostPath(devicePath).parent_path());
        fs::create_symlink(target, m_device.hostPath(devicePath));
    }

    TemporaryDevice m_device;
    fs::path m_outside;
};

}

// Catches absolute links in the device resolved against this machine, or links given up altogether.
TEST_F(DeviceFiles, LinksInsideTheDeviceLeadInsideIt)
{
    link("/var/mobile/Documents/real.gif", "/var/mobile/Documents/absolute.gif");
    link("real.gif", "/var/mobile/Documents/relative.gif");
    link("/var/mobile/Documents", "/var/mobile/Linked");
    for (const char* path : { "/var/mobile/Documents/absolute.gif", "/var/mobile/Documents/relative.gif", "/var/mobile/Linked/real.gif" }) {
        EXPECT_EQ(contents(NSData::dataWithContentsOfFile(path)), gifBytes) << path;
        EXPECT_TRUE(hasImageSource(path)) << path;
    }
}

// Catches a link or ".." that reads a file of this machine outside the device root.
TEST_F(DeviceFiles, LinksOutOfTheDeviceAreConfined)
{
    link(m_outside / "secret.gif", "/var/mobile/Documents/absolute.gif");
    link("../../../../../../../../../.." + (m_outside / "secret.gif").string(), "/var/mobile/Documents/climbing.gif");
    link(m_outside, "/var/mobile/Documents/folder");
    auto outsideRelative = (m_outside / "secret.gif").lexically_relative(m_device.root());
    for (const std::string& path : std::vector<std::string> { "/var/mobile/Documents/absolute.gif", "/var/mobile/Documents/climbing.gif",
             "/var/mobile/Documents/folder/secret.gif", "/" + outsideRelative.string(), "/../../../../" + (m_outside / "secret.gif").string() }) {
        EXPECT_EQ(NSData::dataWithContentsOfFile(path), nullptr) << path;
        EXPECT_FALSE(hasImageSource(path)) << path;
    }
    // The same absolute target inside the device is what the link names.
    m_device.write(m_outside.string() + "/secret.gif", gifBytes);
    EXPECT_EQ(contents(NSData::dataWithContentsOfFile("/var/mobile/Documents/absolute.gif")), gifBytes);
    EXPECT_EQ(contents(NSData::dataWithContentsOfFile("/var/mobile/Documents/climbing.gif")), gifBytes);
}

// Catches a kernel without openat2 following links it can't confine.
TEST_F(DeviceFiles, WithoutConfinedWalksLinksAreRefused)
{
    link("/var/mobile/Documents/real.gif", "/var/mobile/Documents/absolute.gif");
    link("/var/mobile/Documents", "/var/mobile/Linked");
    link(m_outside / "secret.gif", "/var/mobile/Documents/outside.gif");
    DeviceRoot::Testing::setLinksRefused(true);
    EXPECT_EQ(contents(NSData::dataWithContentsOfFile("/var/mobile/Documents/real.gif")), gifBytes);
    EXPECT_EQ(contents(NSData::dataWithContentsOfFile("/../var/./mobile//Documents/../Documents/real.gif")), gifBytes);
    for (const char* path : { "/var/mobile/Documents/absolute.gif", "/var/mobile/Linked/real.gif", "/var/mobile/Documents/outside.gif" })
        EXPECT_EQ(NSData::dataWithContentsOfFile(path), nullptr) << path;
    EXPECT_TRUE(DeviceRoot::createDirectories("/var/mobile/Made/Here"));
    EXPECT_FALSE(DeviceRoot::createDirectories("/var/mobile/Linked/Inner"));
    EXPECT_FALSE(fs::exists(m_device.hostPath("/var/mobile/Documents/Inner")));
}

// Catches a fifo, a folder or a device at a picture's path blocking the reader or streaming forever.
TEST_F(DeviceFiles, OnlyRegularFilesAreRead)
{
    ASSERT_EQ(::mkfifo(m_device.hostPath("/var/mobile/Documents/fifo.gif").c_str(), 0644), 0);
    fs::create_directories(m_device.hostPath("/var/mobile/Documents/folder.gif"));
    for (const char* path : { "/var/mobile/Documents/fifo.gif", "/var/mobile/Documents/folder.gif", "/var/mobile/Documents" }) {
        EXPECT_EQ(NSData::dataWithContentsOfFile(path), nullptr) << path;
        EXPECT_FALSE(hasImageSource(path)) << path;
    }
    FileDescriptor zero(::open("/dev/zero", O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    ASSERT_TRUE(zero);
    EXPECT_EQ(FileIO::readData(zero.get(), NSData::maximumFileBytes), nullptr);
    EXPECT_FALSE(FileIO::readFile("/dev/zero"));
}

// Catches a read whose progress skips or repeats bytes, or reports a read that then fails: a GIF
// scanned as it arrives would then describe a different file.
TEST_F(DeviceFiles, ProgressSeesEveryByteOnceInOrder)
{
    std::string big(1300 * 1024, '\0');
    for (size_t index = 0; index < big.size(); ++index)
        big[index] = static_cast<char>(index * 7 + index / 4096);
    m_device.write("/var/mobile/Documents/big.gif", big);
    std::vector<size_t> seen;
    auto data = FileIO::readDeviceFile("/var/mobile/Documents/big.gif", NSData::maximumFileBytes, [&](std::span<const uint8_t> soFar) {
        seen.push_back(soFar.size());
        EXPECT_EQ(std::memcmp(soFar.data(), big.data(), soFar.size()), 0);
    });
    ASSERT_TRUE(data);
    ASSERT_GE(seen.size(), 3u) << "read in pieces";
    EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end()));
    EXPECT_EQ(seen.back(), big.size());
    EXPECT_EQ(std::memcmp(data->bytes(), big.data(), big.size()), 0);

    ASSERT_EQ(::mkfifo(m_device.hostPath("/var/mobile/Documents/fifo.gif").c_str(), 0644), 0);
    bool called = false;
    EXPECT_EQ(FileIO::readDeviceFile("/var/mobile/Documents/fifo.gif", NSData::maximumFileBytes, [&](std::span<const uint8_t>) { called = true; }), nullptr);
    EXPECT_FALSE(called);
}

// Catches a file larger than any picture shown being read whole into memory (an import would hold
// it, and the overlay would refuse it anyway).
TEST_F(DeviceFiles, FilesAboveTheBoundGiveNoData)
{
    auto path = m_device.hostPath("/var/mobile/Documents/huge.gif");
    {
        std::ofstream(path, std::ios::binary) << gifBytes;
    }
    fs::resize_file(path, NSData::maximumFileBytes + 1);
    EXPECT_EQ(NSData::dataWithContentsOfFile("/var/mobile/Documents/huge.gif"), nullptr);
    EXPECT_FALSE(hasImageSource("/var/mobile/Documents/huge.gif"));
    auto small = FileIO::readDeviceFile("/var/mobile/Documents/real.gif", gifBytes.size() - 1);
    EXPECT_EQ(small, nullptr) << "the caller's own bound is kept too";
}

// Catches a write that follows a linked folder or file out of the device.
TEST_F(DeviceFiles, WritesStayInsideTheDevice)
{
    auto bytes = NSData::dataWithBytes(std::span(reinterpret_cast<const uint8_t*>(gifBytes.data()), gifBytes.size()));
    link(m_outside, "/var/mobile/Escape");
    NSError error;
    EXPECT_FALSE(bytes->writeToFile("/var/mobile/Escape/secret.gif", NSDataWritingAtomic, &error));
    EXPECT_FALSE(bytes->writeToFile("/var/mobile/Escape/secret.gif", 0, &error));

    link(m_outside / "secret.gif", "/var/mobile/Documents/linked.gif");
    EXPECT_TRUE(bytes->writeToFile("/var/mobile/Documents/linked.gif", NSDataWritingAtomic, &error)) << error.localizedDescription;
    EXPECT_FALSE(fs::is_symlink(m_device.hostPath("/var/mobile/Documents/linked.gif"))) << "the link itself is replaced";
    EXPECT_EQ(readHostFile(m_outside / "secret.gif"), outsideBytes);
    EXPECT_EQ(std::vector<std::string>(1, "secret.gif"), [&] {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(m_outside))
            names.push_back(entry.path().filename().string());
        return names;
    }());

    link("/var/mobile/Documents", "/var/mobile/Inside");
    EXPECT_TRUE(bytes->writeToFile("/var/mobile/Inside/new.gif", NSDataWritingAtomic, &error)) << error.localizedDescription;
    EXPECT_EQ(readHostFile(m_device.hostPath("/var/mobile/Documents/new.gif")), gifBytes);
}
