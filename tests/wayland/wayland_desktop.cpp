#include "tests/wayland/wayland_desktop.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>

#include "tests/support/process.h"

namespace waylandtest {
namespace {

Rect ToRect(const QJsonObject& rect) {
  return {rect["x"].toInt(), rect["y"].toInt(), rect["width"].toInt(), rect["height"].toInt()};
}

// Depth first through tiled and floating children alike.
std::optional<QJsonObject> FindNode(const QJsonObject& node, const QString& title) {
  if (node["name"].toString() == title && node.contains("window_rect")) return node;
  for (const char* children : {"nodes", "floating_nodes"}) {
    for (const QJsonValue& child : node[children].toArray()) {
      if (auto found = FindNode(child.toObject(), title)) return found;
    }
  }
  return std::nullopt;
}

std::optional<QJsonObject> WindowNode(const std::string& title) {
  const testsupport::CommandResult tree = testsupport::Run("swaymsg -r -t get_tree");
  if (tree.exitCode != 0) return std::nullopt;
  return FindNode(QJsonDocument::fromJson(QByteArray::fromStdString(tree.output)).object(),
                  QString::fromStdString(title));
}

}  // namespace

testsupport::RgbImage Screenshot(const std::string& pngPath) {
  if (testsupport::Run("grim -o HEADLESS-1 " + testsupport::ShellQuote(pngPath)).exitCode != 0) return {};
  return testsupport::ReadImage(pngPath);
}

std::optional<Rect> WindowContent(const std::string& title) {
  const std::optional<QJsonObject> node = WindowNode(title);
  if (!node) return std::nullopt;
  // window_rect is relative to the container's rect.
  const Rect outer = ToRect((*node)["rect"].toObject());
  const Rect inner = ToRect((*node)["window_rect"].toObject());
  if (inner.width <= 0 || inner.height <= 0) return std::nullopt;
  return Rect{outer.x + inner.x, outer.y + inner.y, inner.width, inner.height};
}

std::optional<Rect> WindowFrame(const std::string& title) {
  const std::optional<QJsonObject> node = WindowNode(title);
  if (!node) return std::nullopt;
  // A floating window's title bar (deco_rect, in layout coordinates then) sits above its rect.
  const Rect outer = ToRect((*node)["rect"].toObject());
  const Rect titleBar = ToRect((*node)["deco_rect"].toObject());
  if (titleBar.width <= 0 || titleBar.height <= 0) return outer;
  const int left = std::min(outer.x, titleBar.x), top = std::min(outer.y, titleBar.y);
  const int right = std::max(outer.x + outer.width, titleBar.x + titleBar.width);
  const int bottom = std::max(outer.y + outer.height, titleBar.y + titleBar.height);
  return Rect{left, top, right - left, bottom - top};
}

}  // namespace waylandtest
