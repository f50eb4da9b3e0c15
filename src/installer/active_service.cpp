#include "installer/installer_service.h"

namespace spinstall::installer {
namespace {
Service* g_override = nullptr;
}

Service& ActiveService() { return g_override ? *g_override : PlatformService(); }

void SetActiveService(Service* service) { g_override = service; }

}  // namespace spinstall::installer
