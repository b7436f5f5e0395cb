// Parameter messages between dialogs: a message carries four 32-bit words (two value/flag pairs),
// a sink receives messages, and the hub passes an applied dialog's message to the sinks registered
// under it.
#pragma once

#include <windows.h>

#include <cstdint>
#include <map>
#include <string>

class CParamMessage
{
public:
    virtual ~CParamMessage() = default;
    // The four words: word 0 a value and word 1 non-zero when it applies; words 2 and 3 likewise.
    // NULL when the message carries none.
    virtual const int32_t* GetData() const { return nullptr; }

    std::string m_text;
};

// A message a scan builds on the stack to hand values straight to its dialog's sink.
class CScanMessage : public CParamMessage
{
public:
    explicit CScanMessage(const int32_t words[4]);
    const int32_t* GetData() const override { return m_words; }

private:
    int32_t m_words[4];
};

class CParamMessageSink
{
public:
    virtual ~CParamMessageSink() = default;
    virtual void OnParamMessage(CParamMessage* /*pMessage*/) {}
};

// Process-wide (user-interface thread only). Pairs are removed when their dialog goes, so the hub
// never holds a dangling sink; registering a pair that is already there does nothing.
class CParamMessageHub
{
public:
    // The hub, created on first use.
    static CParamMessageHub* Instance();
    // The hub when it exists, else NULL (never creates it).
    static CParamMessageHub* Peek();
    // Frees the hub (program exit).
    static void Destroy();

    // Registers pSink under pMessage. FALSE when either is NULL or the pair is already registered.
    BOOL Register(CParamMessage* pMessage, CParamMessageSink* pSink);
    // Removes one pair; FALSE when it was not registered.
    BOOL Unregister(CParamMessage* pMessage, CParamMessageSink* pSink);
    // Removes every pair under pMessage and every pair that names pSink (either may be NULL).
    void RemoveAll(CParamMessage* pMessage, CParamMessageSink* pSink);
    // Calls OnParamMessage(pMessage) on every sink registered under pMessage, in registration
    // order. A sink removed by an earlier sink's handler is not called.
    void Notify(CParamMessage* pMessage);

    BOOL IsRegistered(const CParamMessage* pMessage, const CParamMessageSink* pSink) const;
    // Number of sinks registered under pMessage.
    int GetSinkCount(const CParamMessage* pMessage) const;

private:
    CParamMessageHub() = default;

    std::multimap<const CParamMessage*, CParamMessageSink*> m_pairs;
    static CParamMessageHub* s_instance;
};
