#pragma once

#include <QIcon>
#include <string_view>

// The tool-button images of the main window's actions, drawn at run time; an empty icon for an
// action without one.
QIcon ActionIcon(std::string_view actionName);
