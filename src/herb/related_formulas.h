// 显示相关方剂: every formula of the database that mentions a herb becomes the current result set
// and fills the formula window.
#pragma once

#include <string>

namespace lindora {

class Session;

void FindRelatedFormulas(Session& session, const std::string& herb);

}  // namespace lindora
