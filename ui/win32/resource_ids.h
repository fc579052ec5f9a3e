#pragma once

// Resource ids shared by quarlo.rc and the code. The program icon has the
// lowest id, which makes it the one Explorer shows for the file.
#define QUARLO_IDI_PROGRAM 1
#define QUARLO_IDI_ABOUT_CREST 10
#define QUARLO_IDI_ABOUT_SCROLL 11
