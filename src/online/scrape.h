// Taking the numbered results out of a result page of the music search site.
#pragma once

#include <string_view>
#include <vector>

#include "state/app_state.h"

// Results 1 to 99 of `page`, in order. The marker of result N is N, ". <a
// href=" and a double quote, looked up from the start of the page for every
// N; the href runs to the first `">` after it, the title to the first "</a>"
// and the row text to the first "<BR>" (with "</a>" shown as three spaces and
// "&#39;" as one). A line that lacks a closing mark gives an empty or
// shortened field. Results stop at the first number the page lacks, so that
// index N - 1 always holds result N. Pure; any thread.
std::vector<SearchResult> scrapeResults(std::string_view page);
