// Test database fixture.
#include "TestDb.h"

#include "Builder.h"

#include <QDir>
#include <QtTest>

TTestDb::TTestDb(bool sample)
{
    const TBuildResult r = sample ? Builder::buildSample(dbDir()) : Builder::buildEmpty(dbDir());
    if (!r.ok)
        qFatal("test database could not be built: %s", qPrintable(r.problems.join(u'\n')));
    QDir(m_dir.path()).mkpath(QStringLiteral("tmp"));
}

TTestDb::~TTestDb()
{
    closeDm();
}

TDM::Options TTestDb::options() const
{
    TDM::Options o;
    o.programDir = m_dir.path();
    o.tempDir = m_dir.path() + QStringLiteral("/tmp");
    return o;
}

TDM& TTestDb::open()
{
    closeDm();
    m_dm = std::make_unique<TDM>();
    m_dm->DMCreate(options());
    return *m_dm;
}

void TTestDb::closeDm()
{
    m_dm.reset();
}
