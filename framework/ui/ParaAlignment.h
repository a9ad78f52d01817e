#pragma once

// How a paragraph of the edit control is aligned.
enum class TParaAlignment { Left, Right, Center };
