// Test-only templates: a three-page sheet and a dialog with one control of
// every kind. Registered once per test program.
#pragma once

#include "gui/template.h"

constexpr int kSamplePage1 = 9001;
constexpr int kSamplePage2 = 9002;
constexpr int kSamplePage3 = 9003;
constexpr int kSampleDialog = 9010;

void registerSampleTemplates();
