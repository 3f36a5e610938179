#pragma once

// A test fixture for whole reports: the classes registered, and a report written to and
// read from bytes the way files are.

#include <report/kavReport.h>
#include <rtl/kavRTTI.h>
#include <rtl/kavStreams.h>

#include <QByteArray>

#include <gtest/gtest.h>

class TkavReportTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        kavRegisterRTLClasses();
        kavRegisterReportClasses();
    }

    static QByteArray save(TkavReport &report)
    {
        TMemoryStream stream;
        report.SaveToStream(stream);
        return stream.Data();
    }

    static void load(TkavReport &report, const QByteArray &bytes)
    {
        TMemoryStream stream(bytes);
        report.LoadFromStream(stream);
    }
};
