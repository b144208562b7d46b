#include "ViewDump.hpp"

#include <uikit/UIColor.hpp>
#include <uikit/UIImage.hpp>
#include <uikit/UIImageView.hpp>
#include <uikit/UIView.hpp>

#include <unordered_set>

namespace sim {

namespace {

void writeImage(JsonWriter& json, const UIImage* image)
{
    if (!image) {
        json.null();
        return;
    }
    const auto& entries = image->images();
    std::unordered_set<const UIImage*> distinct;
    for (const auto& entry : entries)
        distinct.insert(entry.get());
    CGSize size = image->size();
    json.beginObject();
    json.key("size").beginArray().value(size.width).value(size.height).endArray();
    json.member("frames", entries.empty() ? 1L : static_cast<long>(entries.size()));
    json.member("distinctFrames", entries.empty() ? 1L : static_cast<long>(distinct.size()));
    json.member("duration", image->duration());
    json.endObject();
}

}

void writeRect(JsonWriter& json, CGRect rect)
{
    json.beginArray().value(rect.origin.x).value(rect.origin.y).value(rect.size.width).value(rect.size.height).endArray();
}

void writeColor(JsonWriter& json, const UIColor* color)
{
    if (!color) {
        json.null();
        return;
    }
    json.beginArray().value(color->red()).value(color->green()).value(color->blue()).value(color->alpha()).endArray();
}

void writeView(const UIView& view, JsonWriter& json, const ViewDumpExtension& extension)
{
    json.beginObject();
    json.member("class", class_getName(object_getClass(&view)));
    json.key("frame");
    writeRect(json, view.frame());
    json.member("alpha", view.alpha());
    json.member("hidden", view.isHidden());
    json.member("tag", view.tag());
    json.member("userInteractionEnabled", view.isUserInteractionEnabled());
    json.key("backgroundColor");
    writeColor(json, view.backgroundColor().get());
    if (auto* imageView = dynamic_cast<const UIImageView*>(&view)) {
        json.key("image");
        writeImage(json, imageView->image().get());
    }
    if (extension)
        extension(view, json);
    json.key("subviews").beginArray();
    for (const auto& subview : view.subviews())
        writeView(*subview, json, extension);
    json.endArray();
    json.endObject();
}

std::string dumpViewTree(const UIView& root, const ViewDumpExtension& extension)
{
    JsonWriter json;
    writeView(root, json, extension);
    return json.str();
}

}
