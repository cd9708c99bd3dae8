// The document handle given to the host: holds one reference on the shared instance of its
// path, the undo-recording one when the path is loaded in memory, the direct one otherwise.
#pragma once

#include <string>

#include "vor4/proxy/TekVor4Proxy.h"

class TekVor4Refcount;

class TekVor4StrategyProxy : public TekVor4Proxy {
public:
    TekVor4StrategyProxy() = default;
    ~TekVor4StrategyProxy() override;
    TekVor4StrategyProxy(const TekVor4StrategyProxy&) = delete;
    TekVor4StrategyProxy& operator=(const TekVor4StrategyProxy&) = delete;

    // Releases the instance held so far and takes the one of the path.
    void init_subject(const std::wstring& path);

    bool open(const std::string& path, bool readOnly) override;
    bool open(const std::wstring& path, bool readOnly) override;
    bool create(const std::string& path) override;
    bool create(const std::wstring& path) override;
    using TekVor4Proxy::assign;
    void assign(TekVor4* source) override;

    TekVor4* subject() override;
    // The shared instance in use, or null.
    TekVor4Refcount* instance() const { return subject_; }

private:
    TekVor4Refcount* subject_ = nullptr;
};
