// Where a menu item starts a new column: shared by the framework's menu items and the portable
// layout of the system menu.
#pragma once

enum TMenuBreak { mbNone, mbBreak, mbBarBreak };
