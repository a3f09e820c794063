"""simulate on a dask.distributed LocalCluster equals the in-process call."""

import numpy as np

import seasky
from conftest import scenes


def test_local_cluster_equals_in_process():
    from dask.distributed import Client, LocalCluster

    ds = scenes(2000, seed=7)
    channels = ["18.7V", "36.5H", "89.0V"]
    expected = seasky.simulate(ds, sensor="amsr2", channels=channels)
    with LocalCluster(n_workers=2, threads_per_worker=1, processes=True, dashboard_address=None) as cluster, \
            Client(cluster):
        lazy = seasky.simulate(ds.chunk({"scene": 250}), sensor="amsr2", channels=channels)
        computed = lazy.compute()
    np.testing.assert_array_equal(computed["tb"].values, expected["tb"].values)
    np.testing.assert_array_equal(computed["status"].values, expected["status"].values)
