// zvhost's output: UTF-8 on the console streams, flushed at once.
#pragma once

#include <cstdio>
#include <string>

void Print(const std::wstring& text, FILE* stream = stdout);
