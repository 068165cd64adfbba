#pragma once
// The layout of a .bullet file checked against itself before Bullet's parser
// reads a byte of it. Bullet follows the file's type table (its DNA), each
// chunk's length and count, and every pointer a record holds, as the file
// states them; a damaged file would have it read far outside the file. Here
// every one is checked against the file's size and the type table: the
// table's own counts and indices, each chunk's place, its struct and its
// records' total size, and each pointer, which must name the start of a
// chunk holding at least one whole record of the type it points to (a text,
// one that ends).
//
// Plain bytes in, no Bullet: what Bullet does with a file that passes is
// none of this file's business.

#include <cstddef>
#include <optional>
#include <string>

// Nothing when the layout holds; otherwise what is wrong, in the file's
// terms ("chunk 12 (RBDY) says it holds 3 records of 480 bytes in 200").
std::optional<std::string> FindLayoutDamage(const char* bytes, size_t length);
