// zova-sim preview: how a GIF will look behind the flames, on a throwaway device, in one command.
#include "CaptureStep.hpp"
#include "Command.hpp"

#include <AssistantHost.hpp>
#include <DeviceLayout.hpp>
#include <Recording.hpp>
#include <ScreenCapture.hpp>
#include <cephei/HBPreferences.hpp>
#include <foundation/DeviceRoot.hpp>
#include <foundation/NSData.hpp>
#include <imageio/CGImageSource.hpp>
#include <tweak/ZovaSettings.hpp>
#include <uikit/UIScreen.hpp>

#include <cstdlib>
#include <cstring>
#include <strings.h>

namespace sim {

namespace {

constexpr double previewSeconds = 3;

struct PreviewArguments {
    std::filesystem::path gif;
    std::filesystem::path output;
    bool isHalfOpacity { false };
    bool isPretty { false };
};

std::optional<PreviewArguments> parseArguments(std::span<const std::string> arguments, std::string& error)
{
    PreviewArguments parsed;
    std::optional<std::filesystem::path> output;
    for (size_t i = 0; i < arguments.size(); ++i) {
        if (arguments[i] == "--half") {
            parsed.isHalfOpacity = true;
        } else if (arguments[i] == "--pretty") {
            parsed.isPretty = true;
        } else if (arguments[i] == "-o") {
            if (i + 1 >= arguments.size()) {
                error = "-o needs a file";
                return std::nullopt;
            }
            output = arguments[++i];
        } else if (parsed.gif.empty()) {
            parsed.gif = arguments[i];
        } else {
            error = "one GIF at a time";
            return std::nullopt;
        }
    }
    if (parsed.gif.empty() || !output) {
        error = "usage: preview FILE.gif [--half] [--pretty] -o OUT.png|OUT.gif";
        return std::nullopt;
    }
    parsed.output = *output;
    return parsed;
}

// A device of its own, removed when the preview ends.
class ThrowawayDevice {
public:
    ThrowawayDevice()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "zova-preview-XXXXXX").string();
        if (::mkdtemp(pattern.data()))
            m_root = pattern;
    }
    ~ThrowawayDevice()
    {
        std::error_code ignored;
        if (!m_root.empty())
            std::filesystem::remove_all(m_root, ignored);
    }
    const std::filesystem::path& root() const { return m_root; }

private:
    std::filesystem::path m_root;
};

bool prepareDevice(const PreviewArguments& arguments, std::string& error)
{
    if (!installDevice(error))
        return false;
    auto bytes = FileIO::readFile(arguments.gif, ImageIOLimits::maxFileBytes);
    if (!bytes) {
        error = "can't read " + arguments.gif.string() + ": " + std::strerror(errno ? errno : EIO);
        return false;
    }
    NSError writeError;
    if (!NSData(std::move(*bytes)).writeToFile(zova::customPicturePath, NSDataWritingAtomic, &writeError)) {
        error = writeError.localizedDescription;
        return false;
    }
    auto store = HBPreferences::initWithIdentifier(zova::preferencesIdentifier);
    if (!store->setInteger(zova::customPictureChoice, zova::siripicKey) || !store->setBool(!arguments.isHalfOpacity, zova::trasparenteKey)) {
        error = "can't write the settings";
        return false;
    }
    return true;
}

int runPreview(const Options& options, std::span<const std::string> arguments)
{
    std::string error;
    auto parsed = parseArguments(arguments, error);
    if (!parsed)
        return fail("preview: " + error, 2);
    bool isRecording = strcasecmp(parsed->output.extension().c_str(), ".gif") == 0;
    std::vector<std::string> capture { isRecording ? "record" : "screenshot", parsed->output.string() };
    if (isRecording)
        capture.push_back(std::to_string(previewSeconds));
    size_t index = 0;
    auto step = parseCaptureStep(capture, index, error);
    if (!step)
        return fail("preview: " + error, 2);
    if (options.screen && !UIScreen::setMainScreenSize(*options.screen, 3))
        return fail("preview: the screen size is out of range", 2);

    ThrowawayDevice device;
    if (device.root().empty())
        return fail(std::string("preview: can't make a device: ") + std::strerror(errno));
    DeviceRoot::set(device.root());
    if (!prepareDevice(*parsed, error))
        return fail("preview: " + error);
    AssistantHost host(FlamesClass::Registered);
    host.show();
    host.wait(0);
    if (!runCaptureStep(*step, host.window(), error))
        return fail("preview: " + error);
    // The plain verdict: what the overlay makes of the picture.
    const Command* gif = findCommand("gif");
    std::vector<std::string> verdict { parsed->gif.string() };
    if (parsed->isPretty)
        verdict.push_back("--pretty");
    return gif ? gif->run(options, verdict) : 0;
}

const bool s_registered = registerCommand({
    "preview",
    "preview FILE.gif [--half] [--pretty] -o OUT.png|OUT.gif",
    "Shows how a GIF will look behind the flames, without installing anything: a throwaway device with\n"
    "    Zova installed and the GIF as the custom picture, at full opacity or --half. OUT.png is a\n"
    "    screenshot, OUT.gif a 3-second recording. Then prints what gif FILE prints (--pretty: indented).",
    false,
    &runPreview,
});

}

}
