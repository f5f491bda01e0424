#pragma once

// The partner utility's entry point: program, an unread word and a 24-character
// identifier. 0 when the subscription information is in "subscription_tmp",
// -1 otherwise.
extern "C" int yeb_util_main(int argc, char** argv);
