#pragma once

// Scroll bar choices shared by the scroll box and the tree-grid.
enum TScrollStyle { ssNone, ssHorizontal, ssVertical, ssBoth };
enum TScrollBarKind { sbHorizontal, sbVertical };
