#pragma once
// The pages of the main window's sheet, in tab order. A new page is a class
// derived from CPropertyPage and one line in page_registry.cpp.

#include <memory>
#include <span>

class CPropertyPage;

struct RegisteredPage {
    bool (*existsFor)(int machineClass);
    std::unique_ptr<CPropertyPage> (*make)();
};

std::span<const RegisteredPage> PageRegistry();
