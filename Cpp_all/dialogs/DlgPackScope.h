// Makes dlgpack the resource module for the lifetime of the scope, so a head dialog finds its
// template, icons and texts there. A scope opened while dlgpack is already in force (a dialog run
// from another head dialog) changes nothing, and leaves it in force when it ends.
#pragma once

class CDlgPackScope
{
public:
    CDlgPackScope();
    ~CDlgPackScope();
    CDlgPackScope(const CDlgPackScope&) = delete;
    CDlgPackScope& operator=(const CDlgPackScope&) = delete;

private:
    bool m_switched;
};
