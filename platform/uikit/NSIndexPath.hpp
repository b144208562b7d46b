// A row's place in a table: its section and its row within the section. Two levels only.
#pragma once

#include <objc/NSObject.hpp>

#include <memory>

class NSIndexPath final : public NSObject {
public:
    NSIndexPath(long row, long section)
        : m_row(row)
        , m_section(section)
    {
    }

    static std::shared_ptr<NSIndexPath> indexPathForRowInSection(long row, long section);

    long row() const { return m_row; }
    long section() const { return m_section; }
    bool isEqual(const NSIndexPath& other) const { return m_row == other.m_row && m_section == other.m_section; }

private:
    long m_row;
    long m_section;
};
