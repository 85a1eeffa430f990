// What every tuning step shows besides its console lines: the thread's feed, when one is
// bound (the GUI), and nothing otherwise (the console).
#pragma once

#include <string>
#include <vector>

#include "tweaks/tweak_row.h"

// Hands the rows and then their progress to the feed.
void PublishRows(const std::vector<TweakRow>& rows);
void ShowStepItem(const std::wstring& title, const std::wstring& text);
void ShowStepStatus(const std::wstring& tag, const std::wstring& text);
// True once the feed asks the step to stop.
bool StepCancelled();
// Sets a row's state (and detail, when given) and publishes the list.
void SetRowState(std::vector<TweakRow>& rows, std::size_t index, int state,
                 const std::wstring* detail = nullptr);
// Marks a row running, publishes, shows its title and explanation.
void StartRow(std::vector<TweakRow>& rows, std::size_t index);
