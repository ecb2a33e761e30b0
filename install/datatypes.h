#pragma once

// The estimate program an installed-state question is about.
enum class DataTypes { Rik = 0, Grand = 1 };
