#include "ViewDump.hpp"

#include <uikit/UIColor.hpp>
#include <uikit/UIImage.hpp>
#include <uikit/UIImageView.hpp>
#include <uikit/UIView.hpp>

#include <unordered_set>

namespace sim {

namespace {

Json jsonOfImage(const UIImage* image)
{
    if (!image)
        return nullptr;
    const auto& entries = image->images();
    std::unordered_set<const UIImage*> distinct;
    for (const auto& entry : entries)
        distinct.insert(entry.get());
    CGSize size = image->size();
    Json json;
    json["size"] = { jsonNumber(size.width), jsonNumber(size.height) };
    json["frames"] = entries.empty() ? size_t { 1 } : entries.size();
    json["distinctFrames"] = entries.empty() ? size_t { 1 } : distinct.size();
    json["duration"] = jsonNumber(image->duration());
    return json;
}

}

Json jsonOfRect(CGRect rect)
{
    return { jsonNumber(rect.origin.x), jsonNumber(rect.origin.y), jsonNumber(rect.size.width), jsonNumber(rect.size.height) };
}

Json jsonOfColor(const UIColor* color)
{
    if (!color)
        return nullptr;
    return { jsonNumber(color->red()), jsonNumber(color->green()), jsonNumber(color->blue()), jsonNumber(color->alpha()) };
}

Json dumpViewTree(const UIView& view, const ViewDumpExtension& extension)
{
    Json json;
    json["class"] = class_getName(object_getClass(&view));
    json["frame"] = jsonOfRect(view.frame());
    json["alpha"] = jsonNumber(view.alpha());
    json["hidden"] = view.isHidden();
    json["tag"] = view.tag();
    json["userInteractionEnabled"] = view.isUserInteractionEnabled();
    json["backgroundColor"] = jsonOfColor(view.backgroundColor().get());
    if (auto* imageView = dynamic_cast<const UIImageView*>(&view))
        json["image"] = jsonOfImage(imageView->image().get());
    if (extension)
        extension(view, json);
    Json subviews = Json::array();
    for (const auto& subview : view.subviews())
        subviews.push_back(dumpViewTree(*subview, extension));
    json["subviews"] = std::move(subviews);
    return json;
}

}
