// --uninstall: removes the service, restores every applied step, deletes the product key.
#pragma once

bool UninstallTimerService();
