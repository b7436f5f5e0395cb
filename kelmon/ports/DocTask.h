// One piece of instrument work queued on the port monitor. The document derives the concrete
// tasks (start a scan, one scan step, stop).
#pragma once

#include <windows.h>

#include <string>

class CDocTask
{
public:
    CDocTask() = default;
    explicit CDocTask(std::string name) : m_name(std::move(name)) {}
    virtual ~CDocTask() = default;

    // Does the work; non-zero asks to run again (honoured only for a task with a lock).
    virtual int Run() { return 1; }
    // The mutex to hold while the task runs (its document's port), or NULL for none.
    virtual HANDLE GetLock() { return nullptr; }
    // A fresh heap copy; the worker runs the copy and deletes the original.
    virtual CDocTask* Clone() { return new CDocTask(*this); }
    // Two operations the document's tasks use among themselves; the monitor never calls them.
    virtual int GetKind() { return 0; }
    virtual void Cancel() {}

    const std::string& GetName() const { return m_name; }

protected:
    CDocTask(const CDocTask&) = default;
    CDocTask& operator=(const CDocTask&) = default;

    std::string m_name;
};
