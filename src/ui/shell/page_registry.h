#pragma once
// The pages of the main window's sheet, in tab order. A new page is a class
// derived from CPropertyPage, with its own kTab (caption and name), ExistsFor
// and a constructor taking the PanelContext, and one line in page_registry.cpp.

#include <memory>
#include <span>
#include <vector>

#include "base/qt_property_page.h"

struct PanelContext;

struct RegisteredPage {
    bool (*existsFor)(int machineClass);
    // The page over the main window's context.
    std::unique_ptr<CPropertyPage> (*make)(PanelContext& context);
    PageTab tab;
};

std::span<const RegisteredPage> PageRegistry();
// The pages a machine of that class has, in tab order.
std::vector<RegisteredPage> PagesFor(int machineClass);
