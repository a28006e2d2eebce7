#pragma once

#include <QString>

// The other running Quorix windows of this user: one window per deck on this computer.
class OtherWindows {
public:
    virtual ~OtherWindows() = default;
    // When another window has the deck at path open, brings that window forward and says so.
    virtual bool bringForward(const QString& path) = 0;
    // This window now has the deck at path open (empty: none).
    virtual void holding(const QString& path) = 0;
};
