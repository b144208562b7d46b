#include <imageio/CGImageSource.hpp>
#include <imageio/GifContainer.hpp>
#include <imageio/GifStructure.hpp>
#include <imageio/JpegDecoder.hpp>
#include <imageio/PngDecoder.hpp>
#include <imageio/StillImageContainer.hpp>

#include <new>

// The settings page imports through NSData: it must take exactly the files an image source takes.
static_assert(ImageIOLimits::maxFileBytes == NSData::maximumFileBytes);

namespace {

// The format is told by the file's signature, never by its name. A GIF's scan may have begun while
// the file was read.
std::shared_ptr<ImageContainer> makeContainer(std::shared_ptr<const NSData> file, GifStructureScanner& scanner)
{
    auto bytes = file->span();
    if (hasGifSignature(bytes))
        return GifContainer::create(std::move(file), scanner.finish(bytes));
    if (PngDecoder::hasSignature(bytes)) {
        auto size = PngDecoder::readSize(bytes);
        return size ? std::make_shared<StillImageContainer>(std::move(file), *size, &PngDecoder::decode) : nullptr;
    }
    if (JpegDecoder::hasSignature(bytes)) {
        auto size = JpegDecoder::readSize(bytes);
        return size ? std::make_shared<StillImageContainer>(std::move(file), *size, &JpegDecoder::decode) : nullptr;
    }
    return nullptr;
}

CGImageSourceRef createSource(std::shared_ptr<const NSData> file, GifStructureScanner&& scanner = {})
{
    try {
        auto container = makeContainer(std::move(file), scanner);
        return container ? new CGImageSource(std::move(container)) : nullptr;
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

// Frame images outlive the source, so they share the bytes: the caller's own buffer when it is
// shared-owned, else a copy.
std::shared_ptr<const NSData> sharedBytes(CFDataRef data)
{
    if (auto owner = data->weak_from_this().lock())
        return std::static_pointer_cast<const NSData>(owner);
    return NSData::dataWithBytes(data->span());
}

}

CGImageSource::CGImageSource(std::shared_ptr<ImageContainer> container)
    : CFType("CGImageSource")
    , m_container(std::move(container))
{
}

CGImageSource::~CGImageSource() = default;

CGImageSourceRef CGImageSourceCreateWithData(CFDataRef data, CFDictionaryRef)
{
    if (!data)
        return nullptr;
    try {
        return createSource(sharedBytes(data));
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

CGImageSourceRef CGImageSourceCreateWithURL(CFURLRef url, CFDictionaryRef)
{
    if (!url || !url->isFileURL())
        return nullptr;
    // The source takes the buffer the file was read into: no second copy of a large picture. A
    // GIF's blocks are walked as the file comes in, while its bytes are still in the cache.
    try {
        GifStructureScanner scanner;
        auto file = FileIO::readDeviceFile(url->path(), ImageIOLimits::maxFileBytes, [&scanner](std::span<const uint8_t> readSoFar) {
            scanner.advance(readSoFar);
        });
        return file ? createSource(std::move(file), std::move(scanner)) : nullptr;
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

size_t CGImageSourceGetCount(CGImageSourceRef source)
{
    return source ? source->container().frameCount() : 0;
}

CGImageRef CGImageSourceCreateImageAtIndex(CGImageSourceRef source, size_t index, CFDictionaryRef)
{
    if (!source || index >= source->container().frameCount())
        return nullptr;
    return source->container().createImage(index);
}

CFDictionaryRef CGImageSourceCopyPropertiesAtIndex(CGImageSourceRef source, size_t index, CFDictionaryRef)
{
    if (!source || index >= source->container().frameCount())
        return nullptr;
    return source->container().copyProperties(index);
}
