#pragma once
#include <string>
#include <string_view>

// The content rules that seal the browser: every load is blocked except the one document
// the renderer was given, named by its exact file URL. data: URLs are not subject to
// content rules in WebKit, so images embedded in the document still draw; nothing else,
// not another local file, not a network address, ever reaches the page.
std::string isolationRules(std::string_view documentURL);
