// A clean start for every settings test: no file, an empty store, default record.
#pragma once

#include "saver_settings.h"
#include "settings_store.h"
#include "test_support.h"

#include <gtest/gtest.h>

class SettingsFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        RemoveSettingsFile();
        g_settingsStore.Clear();
        ResetSaverSettings(g_settings);
    }
    void TearDown() override
    {
        g_settingsStore.Clear();
        RemoveSettingsFile();
    }
};
