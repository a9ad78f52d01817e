#pragma once

// How a paragraph of the edit control is aligned. Justify comes only from
// rich text files (the commands offer the other three) and is kept.
enum class TParaAlignment { Left, Right, Center, Justify };
