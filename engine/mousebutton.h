// Mouse buttons as every front end codes them for the handlers: left 0, right 1, middle 2.
#pragma once

enum class TMouseButton { Left = 0, Right = 1, Middle = 2 };
