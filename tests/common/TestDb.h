// A fresh database per test: built with the program's own builder in a temporary directory,
// and the data module opened on it.
#pragma once

#include "data/DataModule.h"

#include <QTemporaryDir>

#include <memory>

class TTestDb
{
public:
    // Builds the sample bank (or only the tables) in a new temporary program directory.
    explicit TTestDb(bool sample = true);
    ~TTestDb();

    QString programDir() const { return m_dir.path(); }
    QString dbDir() const { return m_dir.path() + QStringLiteral("/DB"); }
    // Opens the data module on the database (DMCreate); the private directory is inside the
    // temporary directory too, so that tests never see each other's instance marker.
    TDM& open();
    TDM* dm() const { return m_dm.get(); }
    void closeDm();
    TDM::Options options() const;

private:
    QTemporaryDir m_dir;
    std::unique_ptr<TDM> m_dm;
};
