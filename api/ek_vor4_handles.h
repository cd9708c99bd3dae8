// Temporary document handles for the exported file operations (deleting, copying): a strategy
// proxy that exists only while the operation runs.
#pragma once

#include <memory>
#include <string>

#include "vor4/proxy/TekVor4StrategyProxy.h"

namespace ek::vor4_api {

// Null when the path cannot be opened (created); the instance is released again then.
std::unique_ptr<TekVor4StrategyProxy> open_handle(const std::wstring& path, bool readonly);
std::unique_ptr<TekVor4StrategyProxy> create_handle(const std::wstring& path);

}  // namespace ek::vor4_api
